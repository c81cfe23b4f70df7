// Symbolic links: a save replaces the file a link leads to, and the link stays.

#include "platform/file_system.h"
#include "tests/support/other_process.h"
#include "tests/support/permission_checks.h"
#include "tests/support/temp_directory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace zorva::platform {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using testing::entryNames;
using testing::readBytes;
using ::testing::UnorderedElementsAre;
using testing::writeBytes;

class LinkTest : public ::testing::Test {
protected:
    std::string here(const char* name) const { return m_here.file(name); }
    std::string there(const char* name) const { return m_there.file(name); }

    testing::TempDirectory m_here;  // where the links are
    testing::TempDirectory m_there; // where they lead
};

TEST_F(LinkTest, AChainOfLinksStaysAndItsFileIsReplacedWithItsPermissions) {
    writeBytes(there("real.ini"), "old");
    ::chmod(there("real.ini").c_str(), 0640);
    fs::create_symlink(there("real.ini"), here("next.ini"));
    fs::create_symlink("next.ini", here("test.ini")); // relative to the link's directory
    testing::OtherProcess killed;
    killed.end();
    const std::string leftover = "." + std::to_string(killed.id()) + ".0.tmp";
    writeBytes(there("real.ini") + leftover, "");
    writeBytes(here("test.ini") + leftover, "");

    ASSERT_TRUE(replaceFileAtomically(here("test.ini"), "new"));
    EXPECT_EQ(fs::read_symlink(here("test.ini")), "next.ini");
    EXPECT_EQ(fs::read_symlink(here("next.ini")), there("real.ini"));
    EXPECT_EQ(readBytes(there("real.ini")), "new");
    struct stat st {};
    ASSERT_EQ(::stat(there("real.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_THAT(entryNames(m_here.path()), UnorderedElementsAre("test.ini", "next.ini"));
    EXPECT_THAT(entryNames(m_there.path()), ElementsAre("real.ini"));
}

TEST_F(LinkTest, ALinkToNoFileGetsItsFileAndRemovingLeavesTheLink) {
    fs::create_symlink(there("new.ini"), here("test.ini"));
    ASSERT_TRUE(replaceFileAtomically(here("test.ini"), "first"));
    EXPECT_EQ(readBytes(there("new.ini")), "first");
    EXPECT_TRUE(fs::is_symlink(here("test.ini")));

    EXPECT_TRUE(removeFile(here("test.ini")));
    EXPECT_FALSE(fs::exists(there("new.ini")));
    EXPECT_TRUE(fs::is_symlink(here("test.ini")));
    EXPECT_TRUE(removeFile(here("test.ini"))); // nothing left to remove

    ASSERT_TRUE(replaceFileAtomically(here("test.ini"), "again"));
    EXPECT_EQ(readBytes(there("new.ini")), "again");
    EXPECT_THAT(entryNames(m_here.path()), ElementsAre("test.ini"));
    EXPECT_THAT(entryNames(m_there.path()), ElementsAre("new.ini"));
}

TEST_F(LinkTest, ALoopOfLinksIsRefused) {
    fs::create_symlink("b.ini", here("a.ini"));
    fs::create_symlink("a.ini", here("b.ini"));
    EXPECT_FALSE(replaceFileAtomically(here("a.ini"), "new"));
    EXPECT_FALSE(removeFile(here("a.ini")));
    EXPECT_EQ(fs::read_symlink(here("a.ini")), "b.ini");
    EXPECT_EQ(fs::read_symlink(here("b.ini")), "a.ini");
    EXPECT_THAT(entryNames(m_here.path()), UnorderedElementsAre("a.ini", "b.ini"));
}

TEST_F(LinkTest, AReadOnlyFileBehindALinkIsNeitherReplacedNorRemoved) {
    writeBytes(there("real.ini"), "old");
    ::chmod(there("real.ini").c_str(), 0444);
    fs::create_symlink(there("real.ini"), here("test.ini"));
    testing::PermissionChecks asOrdinaryUser;
    EXPECT_FALSE(replaceFileAtomically(here("test.ini"), "new"));
    EXPECT_FALSE(removeFile(here("test.ini")));
    EXPECT_EQ(readBytes(there("real.ini")), "old");
    EXPECT_TRUE(fs::is_symlink(here("test.ini")));
    EXPECT_THAT(entryNames(m_there.path()), ElementsAre("real.ini"));
}

} // namespace
} // namespace zorva::platform
