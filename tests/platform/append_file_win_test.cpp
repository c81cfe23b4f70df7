// Appending on Windows: a read-only file, and a file that another program holds for itself.

#include "platform/append_file.h"
#include "platform/win32_error.h"
#include "tests/support/temp_directory.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace zorva::platform {
namespace {

using testing::readBytes;
using testing::writeBytes;

TEST(AppendFileWin, AReadOnlyFileIsRefusedAndStaysAsItWas) {
    testing::TempDirectory dir;
    const std::string path = dir.file("record.csv");
    writeBytes(path, "old\r\n");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    {
        AppendFile file(path);
        EXPECT_FALSE(file.isOpen());
        EXPECT_EQ(file.failure(), win32ErrorText(ERROR_ACCESS_DENIED));
    }
    EXPECT_EQ(readBytes(path), "old\r\n");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));
}

// Excel opens a file letting others read it but not write it.
TEST(AppendFileWin, AFileThatAnotherProgramKeepsFromWritersIsRefusedUntilItLetsGo) {
    testing::TempDirectory dir;
    const std::string path = dir.file("record.csv");
    writeBytes(path, "old\r\n");
    const HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    {
        AppendFile file(path);
        EXPECT_FALSE(file.isOpen());
        EXPECT_EQ(file.failure(), win32ErrorText(ERROR_SHARING_VIOLATION));
    }
    CloseHandle(held);
    AppendFile file(path);
    ASSERT_TRUE(file.isOpen()) << file.failure();
    ASSERT_TRUE(file.append("new\r\n"));
    ASSERT_TRUE(file.flush());
    EXPECT_EQ(readBytes(path), "old\r\nnew\r\n");
}

} // namespace
} // namespace zorva::platform
