// Refusals as an ordinary user meets them, through permission bits; symbolic links.

#include "tests/settings/form_storage_fixture.h"
#include "tests/support/permission_checks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace zorva::settings {
namespace {

using test::FormStorageTest;
using test::StandInMainWindow;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::readBytes;
using testing::writeBytes;

TEST_F(FormStorageTest, RefusedWriteIsReportedAtCloseAndAgainAtDestruction) {
    const std::string old = "[TAnaF]\r\nFormVersion=0\r\nComboBoxEMD_KartTipi_ItemIndex=2\r\n";
    writeBytes(iniPath(), old);
    ::chmod(m_dir.path().c_str(), 0555);
    testing::PermissionChecks asOrdinaryUser;
    StandInMainWindow w(iniPath());
    w.form.notifyShow();
    w.cardType = 3;
    EXPECT_TRUE(w.form.queryClose()); // closing goes on
    EXPECT_FALSE(w.storage.saved());
    w.form.notifyDestroy();
    const std::string message = "Unable to write to " + iniPath();
    EXPECT_THAT(w.errors, ElementsAre(message, message));
    EXPECT_EQ(readBytes(iniPath()), old);
}

TEST_F(FormStorageTest, ASettingsFileThatIsALinkStaysALink) {
    testing::TempDirectory elsewhere;
    const std::string target = elsewhere.file("settings.ini");
    writeBytes(target, "[TAnaF]\r\nComboBoxEMD_KartTipi_ItemIndex=2\r\n");
    std::filesystem::create_symlink(target, iniPath());
    StandInMainWindow w(iniPath());
    w.form.notifyShow();
    EXPECT_EQ(w.cardType, 2);
    w.cardType = 3;
    EXPECT_TRUE(w.form.queryClose());
    EXPECT_TRUE(w.storage.saved());
    EXPECT_EQ(std::filesystem::read_symlink(iniPath()), target);
    EXPECT_THAT(readBytes(target), HasSubstr("\r\nComboBoxEMD_KartTipi_ItemIndex=3\r\n"));
    EXPECT_EQ(testing::entryCount(m_dir.path()), 1u);
    EXPECT_EQ(testing::entryCount(elsewhere.path()), 1u);
}

} // namespace
} // namespace zorva::settings
