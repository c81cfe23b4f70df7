#include "platform/executable_path.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zorva::platform {
namespace {

TEST(ExecutablePath, NamesThisTestProgram) {
    const std::filesystem::path path = executablePath();
    EXPECT_TRUE(path.is_absolute());
    EXPECT_EQ(path.filename(), "platform_tests");
    EXPECT_TRUE(std::filesystem::equivalent(path, "/proc/self/exe"));
    EXPECT_EQ(executableDirectory(), path.parent_path().string() + "/");
}

} // namespace
} // namespace zorva::platform
