// The autostart entry is the user's switch: neither a link nor permission bits stand in its way,
// and a desktop file that a link leads to is never written.

#include "platform/autostart.h"
#include "tests/support/environment.h"
#include "tests/support/permission_checks.h"
#include "tests/support/temp_directory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sys/stat.h>

namespace zorva::platform {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;
using testing::writeBytes;

class AutostartTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            m_old = old;
        testing::setEnvironment("XDG_CONFIG_HOME", m_dir.path().string());
        fs::create_directory(m_dir.path() / "autostart");
    }
    void TearDown() override {
        if (m_old)
            testing::setEnvironment("XDG_CONFIG_HOME", *m_old);
        else
            testing::unsetEnvironment("XDG_CONFIG_HOME");
    }

    const std::string name = "Zorva Test";
    testing::TempDirectory m_dir;
    std::optional<std::string> m_old;
};

TEST_F(AutostartTest, AnEntryThatIsALinkIsReplacedNotItsFile) {
    const std::string entry = autostartEntryPath(name);
    const std::string packaged = m_dir.file("packaged.desktop");
    writeBytes(packaged, "[Desktop Entry]\n");
    fs::create_symlink(packaged, entry);
    EXPECT_EQ(setAutostart(name, "/opt/zorva/zorva-kilit", true), AutostartOutcome::Done);
    EXPECT_FALSE(fs::is_symlink(entry));
    EXPECT_NE(readBytes(entry).find("Exec=\"/opt/zorva/zorva-kilit\"\n"), std::string::npos);
    EXPECT_EQ(readBytes(packaged), "[Desktop Entry]\n");
}

TEST_F(AutostartTest, AReadOnlyEntryStillGoes) {
    const std::string entry = autostartEntryPath(name);
    ASSERT_EQ(setAutostart(name, "/opt/zorva/zorva-kilit", true), AutostartOutcome::Done);
    ::chmod(entry.c_str(), 0444);
    testing::PermissionChecks asOrdinaryUser;
    EXPECT_EQ(setAutostart(name, "/opt/zorva/zorva-kilit", false), AutostartOutcome::Done);
    EXPECT_FALSE(fs::exists(entry));
}

} // namespace
} // namespace zorva::platform
