#include "platform/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/single_instance.h"
#include "support/temp_env.h"

namespace platform {
namespace {

TEST(Paths, FollowTheEnvironment) {
    testsupport::TempEnv env;
    EXPECT_EQ(DataFolder(), env.DataHome() / "Quillon");
    EXPECT_EQ(ConfigFolder(), env.ConfigHome() / "Quillon");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(DataFolder(), env.Root() / "home" / ".local" / "share" / "Quillon");
    ::setenv("QUILLON_PROGRAM_DIR", "/opt/quillon", 1);
    EXPECT_EQ(ProgramFolder(), "/opt/quillon");
    ::unsetenv("QUILLON_PROGRAM_DIR");
    EXPECT_EQ(ProgramFolder(), std::filesystem::read_symlink("/proc/self/exe").parent_path());
}

TEST(RuntimeFolder, IsCreatedPrivate) {
    testsupport::TempEnv env;
    Result<std::filesystem::path> folder = RuntimeFolder();
    ASSERT_TRUE(folder) << folder.error().message;
    EXPECT_EQ(*folder, env.RuntimeDir() / "Quillon");
    struct stat st {};
    ASSERT_EQ(::stat(folder->c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(RuntimeFolder, FallsBackToTmpWithoutXdgRuntimeDir) {
    testsupport::TempEnv env;
    ::unsetenv("XDG_RUNTIME_DIR");
    Result<std::filesystem::path> folder = RuntimeFolder();
    ASSERT_TRUE(folder) << folder.error().message;
    EXPECT_EQ(*folder, "/tmp/Quillon-" + std::to_string(::getuid()));
}

TEST(RuntimeFolder, RefusesAFolderOthersCanWriteOrThatIsALink) {
    testsupport::TempEnv env;
    const std::filesystem::path folder = env.RuntimeDir() / "Quillon";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    ::chmod(folder.c_str(), 0777);
    EXPECT_FALSE(RuntimeFolder());
    ::chmod(folder.c_str(), 0720);
    EXPECT_FALSE(RuntimeFolder());
    ::chmod(folder.c_str(), 0700);
    EXPECT_TRUE(RuntimeFolder());

    std::filesystem::remove(folder);
    std::filesystem::create_directory(env.Root() / "elsewhere");
    std::filesystem::create_directory_symlink(env.Root() / "elsewhere", folder);
    EXPECT_FALSE(RuntimeFolder());
}

TEST(RuntimeFolder, RefusesAFolderOfAnotherUser) {
    testsupport::TempEnv env;
    const std::filesystem::path folder = env.RuntimeDir() / "Quillon";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    EXPECT_TRUE(CheckPrivateFolder(folder, ::getuid()));
    EXPECT_FALSE(CheckPrivateFolder(folder, ::getuid() + 1));
    if (::getuid() == 0) {
        ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
        Result<std::filesystem::path> r = RuntimeFolder();
        ASSERT_FALSE(r);
        EXPECT_NE(r.error().message.find("another user"), std::string::npos);
    }
}

TEST(SingleInstance, OnlyOneHolderAtATime) {
    testsupport::TempEnv env;
    Result<std::filesystem::path> folder = RuntimeFolder();
    ASSERT_TRUE(folder);
    std::optional<SingleInstanceLock> first = SingleInstanceLock::TryAcquire(*folder);
    ASSERT_TRUE(first);
    EXPECT_FALSE(SingleInstanceLock::TryAcquire(*folder));
    first.reset();
    EXPECT_TRUE(SingleInstanceLock::TryAcquire(*folder));
}

TEST(SafeFileName, RefusesNamesThatLeaveTheFolder) {
    struct Case {
        std::string name;
        bool safe;
    };
    const Case cases[] = {{"2024_01_02_03_04_05_006", true},
                          {"My Profile", true},
                          {"", false},
                          {".", false},
                          {"..", false},
                          {"a/b", false},
                          {"..\\x", false},
                          {std::string("a\0b", 3), false}};
    for (const Case& c : cases) {
        EXPECT_EQ(IsSafeFileName(c.name), c.safe) << c.name;
    }
}

}  // namespace
}  // namespace platform
