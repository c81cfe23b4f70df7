// Replacing and reading files through the Windows calls, and the refusals that Windows makes
// where Linux has permission bits.

#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/ini_file.h"
#include "tests/platform/ini_file_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <windows.h>

namespace zorva::platform {
namespace {

using test::IniFileTest;
using testing::entryCount;
using testing::readBytes;
using testing::writeBytes;

class FileSystemWinTest : public IniFileTest {
protected:
    DWORD attributes() const { return GetFileAttributesA(path().c_str()); }
};

TEST_F(FileSystemWinTest, ReplacesAnExistingFileWholeAndLeavesNothingElse) {
    writeBytes(path(), "old, and longer than the new contents");
    ASSERT_TRUE(replaceFileAtomically(path(), "new"));
    EXPECT_EQ(readBytes(path()), "new");
    ASSERT_TRUE(replaceFileAtomically(m_dir.file("created.ini"), std::string(200000, 'x')));
    EXPECT_EQ(readBytes(m_dir.file("created.ini")), std::string(200000, 'x'));
    EXPECT_EQ(entryCount(m_dir.path()), 2u);
}

TEST_F(FileSystemWinTest, AHiddenFileStaysHidden) {
    writeBytes(path(), "[S]\r\nk=old\r\n");
    ASSERT_TRUE(SetFileAttributesA(path().c_str(), FILE_ATTRIBUTE_HIDDEN));
    IniFile ini(path());
    ini.writeString("S", "k", "new");
    ini.close();
    EXPECT_EQ(readBytes(path()), "[S]\r\nk=new\r\n");
    EXPECT_TRUE(attributes() & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(entryCount(m_dir.path()), 1u);
}

TEST_F(FileSystemWinTest, AReadOnlyFileIsNeitherReplacedNorRemoved) {
    const std::string old = "[S]\r\nk=old\r\n";
    writeBytes(path(), old);
    ASSERT_TRUE(SetFileAttributesA(path().c_str(), FILE_ATTRIBUTE_READONLY));
    for (const auto mode : {IniFile::Mode::Edit, IniFile::Mode::Replace}) {
        IniFile ini(path(), mode);
        EXPECT_FALSE(ini.readFailed());
        ini.writeString("S", "k", "new");
        try {
            ini.close();
            ADD_FAILURE() << "the write went through";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), ("Unable to write to " + path()).c_str());
        }
    }
    // Replacing with nothing removes the file, and that is refused as well.
    IniFile nothing(path(), IniFile::Mode::Replace);
    EXPECT_THROW(nothing.close(), Error);
    EXPECT_EQ(readBytes(path()), old);
    EXPECT_EQ(entryCount(m_dir.path()), 1u);
}

// A file that another program holds open without letting others delete it cannot be renamed
// over; the old contents stay and the temporary file goes.
TEST_F(FileSystemWinTest, AFileHeldOpenByAnotherProgramIsNotReplaced) {
    const std::string old = "[S]\r\nk=old\r\n";
    writeBytes(path(), old);
    const HANDLE held = CreateFileA(path().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(replaceFileAtomically(path(), "new"));
    EXPECT_FALSE(removeFile(path()));
    CloseHandle(held);
    EXPECT_EQ(readBytes(path()), old);
    EXPECT_EQ(entryCount(m_dir.path()), 1u);
}

TEST_F(FileSystemWinTest, ReadingTellsAMissingFileFromOneThatCannotBeRead) {
    std::string contents = "stale";
    std::string reason;
    EXPECT_EQ(readWholeFile(path(), contents, reason), ReadOutcome::Missing);
    EXPECT_EQ(contents, "");
    EXPECT_EQ(readWholeFile(m_dir.file("no\\such\\dir\\x.ini"), contents, reason),
              ReadOutcome::Missing);

    writeBytes(path(), std::string("a\0b\r\n", 5));
    EXPECT_EQ(readWholeFile(path(), contents, reason), ReadOutcome::Read);
    EXPECT_EQ(contents, std::string("a\0b\r\n", 5));

    const HANDLE locked = CreateFileA(path().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_EQ(readWholeFile(path(), contents, reason), ReadOutcome::Failed);
    EXPECT_FALSE(reason.empty());
    CloseHandle(locked);
}

TEST_F(FileSystemWinTest, ASymbolicLinkStaysALinkAndItsFileIsReplaced) {
    testing::TempDirectory there;
    const std::string target = there.file("real.ini");
    writeBytes(target, "old");
    // Wine 8 answers TRUE and makes no link; Windows makes one only with the privilege for it or
    // in developer mode.
    if (!CreateSymbolicLinkA(path().c_str(), target.c_str(), 0) ||
        attributes() == INVALID_FILE_ATTRIBUTES || !(attributes() & FILE_ATTRIBUTE_REPARSE_POINT))
        GTEST_SKIP() << "no symbolic links here";
    ASSERT_TRUE(replaceFileAtomically(path(), "new"));
    EXPECT_TRUE(attributes() & FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(readBytes(target), "new");
    EXPECT_EQ(entryCount(there.path()), 1u);

    EXPECT_TRUE(removeFile(path()));
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_TRUE(attributes() & FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(entryCount(m_dir.path()), 1u);
}

TEST(PathSeparator, IsTheBackslash) {
    EXPECT_EQ(pathSeparator, '\\');
}

} // namespace
} // namespace zorva::platform
