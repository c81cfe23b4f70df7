// Permission bits, and refusals as an ordinary user would meet them.

#include "platform/error.h"
#include "platform/ini_file.h"
#include "tests/platform/ini_file_fixture.h"
#include "tests/support/permission_checks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace zorva::platform {
namespace {

using test::IniFileTest;
using ::testing::IsEmpty;
using testing::readBytes;
using testing::writeBytes;

TEST_F(IniFileTest, ReplaceStartsEmptyAndKeepsThePermissions) {
    writeBytes(path(), "[Old]\r\na=1\r\n");
    ::chmod(path().c_str(), 0640);
    IniFile ini(path(), IniFile::Mode::Replace);
    EXPECT_THAT(ini.sectionNames(), IsEmpty());
    ini.writeString("New", "b", "2");
    ini.close();
    EXPECT_EQ(readBytes(path()), "[New]\r\nb=2\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(testing::entryCount(m_dir.path()), 1u);
}

TEST_F(IniFileTest, RefusedWriteRaisesAndKeepsTheOldFile) {
    const std::string old = "[S]\r\nk=old\r\n";
    writeBytes(path(), old);
    ::chmod(m_dir.path().c_str(), 0555);
    testing::PermissionChecks asOrdinaryUser;
    for (const auto mode : {IniFile::Mode::Edit, IniFile::Mode::Replace}) {
        IniFile ini(path(), mode);
        ini.writeString("S", "k", "new");
        try {
            ini.close();
            ADD_FAILURE() << "the write went through";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), ("Unable to write to " + path()).c_str());
        }
        // Removing the file is refused as well.
        IniFile nothing(path(), IniFile::Mode::Replace);
        EXPECT_THROW(nothing.close(), Error);
        EXPECT_EQ(readBytes(path()), old);
        EXPECT_EQ(testing::entryCount(m_dir.path()), 1u);
    }
}

TEST_F(IniFileTest, ReadOnlyFileIsNeitherReplacedNorRemoved) {
    const std::string old = "[S]\r\nk=old\r\n";
    writeBytes(path(), old);
    ::chmod(path().c_str(), 0444);
    testing::PermissionChecks asOrdinaryUser;
    for (const auto mode : {IniFile::Mode::Edit, IniFile::Mode::Replace}) {
        IniFile ini(path(), mode);
        ini.writeString("S", "k", "new");
        EXPECT_THROW(ini.close(), Error);
    }
    // Unlink needs only the directory's permission; Windows will not delete a read-only file.
    IniFile nothing(path(), IniFile::Mode::Replace);
    EXPECT_THROW(nothing.close(), Error);
    EXPECT_EQ(readBytes(path()), old);
    EXPECT_EQ(testing::entryCount(m_dir.path()), 1u);
}

TEST_F(IniFileTest, UnreadableFileIsNeverReplaced) {
    const std::string old = "[S]\r\nk=old\r\n";
    writeBytes(path(), old);
    ::chmod(path().c_str(), 0200);
    testing::PermissionChecks asOrdinaryUser;
    IniFile ini(path());
    EXPECT_TRUE(ini.readFailed());
    EXPECT_FALSE(ini.readFailure().empty());
    EXPECT_EQ(ini.readString("S", "k", "d"), "d");
    ini.writeString("S", "other", "1");
    EXPECT_THROW(ini.close(), Error);
    ::chmod(path().c_str(), 0600);
    EXPECT_EQ(readBytes(path()), old);
}

} // namespace
} // namespace zorva::platform
