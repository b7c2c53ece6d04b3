#include "platform/launch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/file_io.h"
#include "support/temp_env.h"

namespace platform {
namespace {

TEST(Launch, StartsAProgramWithoutWaitingForIt) {
    testsupport::TempDir dir;
    const std::filesystem::path marker = dir.Path() / "ran";
    ASSERT_TRUE(LaunchDetached({"sh", "-c", "echo yes > \"$0\"", marker.string()}));
    // The shell creates the file before it writes to it: wait for the content.
    for (int i = 0; i < 500 && ReadFile(marker).value_or("").empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(ReadFile(marker).value_or(""), "yes\n");
}

TEST(Launch, ReportsAProgramThatCannotStart) {
    EXPECT_FALSE(LaunchDetached({}));
    EXPECT_FALSE(LaunchDetached({"quillon-no-such-program"}));
    testsupport::TempDir dir;
    ASSERT_TRUE(WriteFileAtomic(dir.Path() / "not-exec", "#!/bin/sh\n"));
    EXPECT_FALSE(LaunchDetached({(dir.Path() / "not-exec").string()}));
}

TEST(Launch, FindsProgramsOnPath) {
    EXPECT_TRUE(FindProgram("sh"));
    EXPECT_FALSE(FindProgram("quillon-no-such-program"));
    EXPECT_FALSE(FindProgram(""));
}

}  // namespace
}  // namespace platform
