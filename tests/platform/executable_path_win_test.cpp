#include "platform/executable_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <windows.h>

namespace zorva::platform {
namespace {

TEST(ExecutablePath, NamesThisTestProgram) {
    const std::filesystem::path path = executablePath();
    EXPECT_TRUE(path.is_absolute());
    EXPECT_EQ(path.filename(), "platform_tests.exe");
    // The same file as the system's Unicode answer names.
    wchar_t wide[32768] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, wide, 32768), 0u);
    EXPECT_TRUE(std::filesystem::equivalent(path, std::filesystem::path(wide)));
    EXPECT_EQ(executableDirectory(), path.parent_path().string() + "\\");
}

} // namespace
} // namespace zorva::platform
