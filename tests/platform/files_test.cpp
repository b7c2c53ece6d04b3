#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/file_io.h"
#include "platform/paths.h"
#include "platform/settings_store.h"
#include "platform/trace.h"
#include "support/temp_env.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

TEST(AtomicWrite, CreatesFoldersAndReplacesContent) {
    testsupport::TempDir dir;
    const fs::path file = dir.Path() / "a" / "b" / "profile.Json";
    ASSERT_TRUE(WriteFileAtomic(file, "first"));
    ASSERT_TRUE(WriteFileAtomic(file, "second"));
    EXPECT_EQ(ReadFile(file).value_or(""), "second");
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()),
              1)
        << "no temporary file is left behind";
}

TEST(AtomicWrite, FailureHalfwayKeepsTheOldContent) {
    testsupport::TempDir dir;
    const fs::path file = dir.Path() / "data.json";
    ASSERT_TRUE(WriteFileAtomic(file, "old content"));
    {
        ScopedWriteFault fault(4);
        Status s = WriteFileAtomic(file, "new content that is longer");
        EXPECT_FALSE(s);
        EXPECT_EQ(s.error().code, ENOSPC);
    }
    EXPECT_EQ(ReadFile(file).value_or(""), "old content");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(AtomicWrite, KeepsThePermissionsOfTheReplacedFile) {
    testsupport::TempDir dir;
    const fs::path file = dir.Path() / "f";
    ASSERT_TRUE(WriteFileAtomic(file, "x"));
    ::chmod(file.c_str(), 0600);
    ASSERT_TRUE(WriteFileAtomic(file, "y"));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(ReadFile, RefusesWhatIsNotAReadableRegularFileWithinTheLimit) {
    testsupport::TempDir dir;
    ASSERT_TRUE(WriteFileAtomic(dir.Path() / "big", std::string(100, 'x')));
    EXPECT_FALSE(ReadFile(dir.Path() / "missing"));
    EXPECT_FALSE(ReadFile(dir.Path()));
    EXPECT_FALSE(ReadFile(dir.Path() / "big", 99));
    EXPECT_EQ(ReadFile(dir.Path() / "big", 100)->size(), 100u);
    ASSERT_TRUE(WriteFileAtomic(dir.Path() / "empty", ""));
    EXPECT_EQ(ReadFile(dir.Path() / "empty").value_or("?"), "");
}

class SettingsStoreTest : public ::testing::Test {
protected:
    testsupport::TempEnv env;
    SettingsStore store;
};

TEST_F(SettingsStoreTest, LivesInTheConfigFolderAndIsCreatedOnFirstWrite) {
    EXPECT_EQ(store.File(), env.ConfigHome() / "Quillon" / "registry.json");
    EXPECT_FALSE(fs::exists(store.File()));
    EXPECT_FALSE(store.GetDword("SOFTWARE\\Quillon", "LANGUAGE"));
    ASSERT_TRUE(store.SetDword("SOFTWARE\\Quillon", "LANGUAGE", 2));
    EXPECT_EQ(store.GetDword("SOFTWARE\\Quillon", "LANGUAGE"), 2u);
    EXPECT_EQ(SettingsStore().GetDword("SOFTWARE\\Quillon", "LANGUAGE"), 2u)
        << "another store instance (or process) sees the value";
}

TEST_F(SettingsStoreTest, ValuesKeepTheirTypesAndKeysStaySeparate) {
    ASSERT_TRUE(store.SetString("SOFTWARE\\Quillon", "Skin", "dark"));
    ASSERT_TRUE(store.SetDword("SOFTWARE\\Other", "Skin", 5));
    EXPECT_EQ(store.GetString("SOFTWARE\\Quillon", "Skin"), "dark");
    EXPECT_FALSE(store.GetDword("SOFTWARE\\Quillon", "Skin"));
    EXPECT_FALSE(store.GetString("SOFTWARE\\Other", "Skin"));
    ASSERT_TRUE(store.DeleteValue("SOFTWARE\\Quillon", "Skin"));
    EXPECT_FALSE(store.GetString("SOFTWARE\\Quillon", "Skin"));
    EXPECT_EQ(store.GetDword("SOFTWARE\\Other", "Skin"), 5u);
}

TEST_F(SettingsStoreTest, FailedWriteKeepsTheOldContent) {
    ASSERT_TRUE(store.SetDword("SOFTWARE\\Quillon", "LANGUAGE", 1));
    {
        ScopedWriteFault fault(3);
        EXPECT_FALSE(store.SetDword("SOFTWARE\\Quillon", "LANGUAGE", 7));
    }
    EXPECT_EQ(store.GetDword("SOFTWARE\\Quillon", "LANGUAGE"), 1u);
}

TEST_F(SettingsStoreTest, WronglyShapedContentReadsAsAbsentAndIsKeptAside) {
    struct Case {
        const char* content;
        bool keptAside;  // unreadable as a whole, so kept rather than overwritten
    };
    const Case cases[] = {{"not json", true},
                          {"[1,2]", true},
                          {"{\"SOFTWARE\\\\Quillon\": 5}", false},
                          {"{\"SOFTWARE\\\\Quillon\": {\"LANGUAGE\": -3}}", false}};
    const std::string aside = store.File().string() + ".bad";
    for (const Case& c : cases) {
        std::filesystem::remove(aside);
        ASSERT_TRUE(WriteFileAtomic(store.File(), c.content));
        EXPECT_FALSE(store.GetDword("SOFTWARE\\Quillon", "LANGUAGE")) << c.content;
        EXPECT_TRUE(store.SetDword("SOFTWARE\\Quillon", "LANGUAGE", 3)) << c.content;
        EXPECT_EQ(store.GetDword("SOFTWARE\\Quillon", "LANGUAGE"), 3u) << c.content;
        EXPECT_EQ(ReadFile(aside).value_or(""), c.keptAside ? c.content : "") << c.content;
    }
}

}  // namespace
}  // namespace platform
