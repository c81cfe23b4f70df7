// Appending on Linux: the refusals of permission bits, with the system's reason.

#include "platform/append_file.h"
#include "tests/support/permission_checks.h"
#include "tests/support/temp_directory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace zorva::platform {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;
using testing::writeBytes;

TEST(AppendFilePosix, AReadOnlyFileOrFolderIsRefusedAndStaysAsItWas) {
    testing::TempDirectory dir;
    writeBytes(dir.file("record.csv"), "old\r\n");
    ::chmod(dir.file("record.csv").c_str(), 0444);
    fs::create_directory(dir.file("locked"));
    ::chmod(dir.file("locked").c_str(), 0555);
    testing::PermissionChecks asOrdinaryUser;
    for (const std::string& path : {dir.file("record.csv"), dir.file("locked/record.csv"),
                                    dir.file("locked/new/record.csv")}) {
        AppendFile file(path);
        EXPECT_FALSE(file.isOpen()) << path;
        EXPECT_EQ(file.failure(), std::strerror(EACCES)) << path;
    }
    EXPECT_EQ(readBytes(dir.file("record.csv")), "old\r\n");
    EXPECT_TRUE(fs::is_empty(dir.file("locked")));
}

} // namespace
} // namespace zorva::platform
