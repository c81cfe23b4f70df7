// Appending to a file, on every system.

#include "platform/append_file.h"
#include "platform/file_system.h"
#include "tests/support/temp_directory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace zorva::platform {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;
using testing::writeBytes;

class AppendFileTest : public ::testing::Test {
protected:
    std::string path() const { return m_dir.file("record.csv"); }

    testing::TempDirectory m_dir;
};

TEST_F(AppendFileTest, AMissingFileIsMadeWithTheFoldersLeadingToIt) {
    const std::string deep = m_dir.file("a") + pathSeparator + "b" + pathSeparator + "record.csv";
    AppendFile file(deep);
    ASSERT_TRUE(file.isOpen()) << file.failure();
    std::uint64_t size = 1;
    ASSERT_TRUE(file.size(size));
    EXPECT_EQ(size, 0u);
    ASSERT_TRUE(file.append("line\r\n"));
    ASSERT_TRUE(file.flush()) << file.failure();
    EXPECT_EQ(readBytes(deep), "line\r\n");
}

// Every write goes to the end, wherever another writer has moved it since, and never over what
// is there.
TEST_F(AppendFileTest, WritesGoToTheFilesEndWhoeverMovedIt) {
    writeBytes(path(), "old\r\n");
    AppendFile first(path());
    AppendFile second(path());
    ASSERT_TRUE(first.isOpen() && second.isOpen());
    ASSERT_TRUE(first.append("1"));
    ASSERT_TRUE(second.append("22"));
    ASSERT_TRUE(first.append("333"));
    EXPECT_EQ(readBytes(path()), "old\r\n122333");

    std::uint64_t size = 0;
    ASSERT_TRUE(second.size(size));
    EXPECT_EQ(size, 11u);
    std::string bytes;
    ASSERT_TRUE(second.read(3, 4, bytes));
    EXPECT_EQ(bytes, "\r\n12");
    ASSERT_TRUE(second.read(9, 4, bytes)); // fewer at the end
    EXPECT_EQ(bytes, "33");
    ASSERT_TRUE(second.read(11, 4, bytes));
    EXPECT_EQ(bytes, "");
    // Reading moves nothing that the next write goes by.
    ASSERT_TRUE(second.append("4"));
    EXPECT_EQ(readBytes(path()), "old\r\n1223334");
}

TEST_F(AppendFileTest, AFolderInTheFilesPlaceOrAFileInTheFoldersIsRefusedWithTheReason) {
    fs::create_directory(path());
    AppendFile folder(path());
    EXPECT_FALSE(folder.isOpen());
    EXPECT_FALSE(folder.failure().empty());
    EXPECT_TRUE(fs::is_directory(path()));

    writeBytes(m_dir.file("a"), "a file");
    AppendFile inAFile(m_dir.file("a") + pathSeparator + "record.csv");
    EXPECT_FALSE(inAFile.isOpen());
    EXPECT_FALSE(inAFile.failure().empty());
    AppendFile belowAFile(m_dir.file("a") + pathSeparator + "b" + pathSeparator + "record.csv");
    EXPECT_FALSE(belowAFile.isOpen());
    EXPECT_FALSE(belowAFile.failure().empty());
    EXPECT_EQ(readBytes(m_dir.file("a")), "a file");
}

} // namespace
} // namespace zorva::platform
