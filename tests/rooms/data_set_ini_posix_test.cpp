// Refusals as an ordinary user meets them, through permission bits; symbolic links.

#include "platform/error.h"
#include "rooms/data_set_ini.h"
#include "tests/rooms/data_set_ini_fixture.h"
#include "tests/support/permission_checks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace zorva::rooms {
namespace {

using test::DataSetIniTest;
using test::Room;
using testing::readBytes;
using testing::writeBytes;

const std::filesystem::path fixtures = ZORVA_ROOMS_FIXTURES;

TEST_F(DataSetIniTest, RefusedSaveRaisesAndKeepsTheOldFile) {
    const std::string old = readBytes(fixtures / "two_rooms.ini");
    // A read-only directory takes no new file; a read-only file is neither replaced nor, when
    // the last room goes, deleted, as Windows refuses to delete it.
    const struct {
        const char* what;
        std::string path;
        mode_t mode;
    } cases[] = {
        {"read-only directory", m_dir.path().string(), 0555},
        {"read-only file", path(), 0444},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(path(), old);
        table->empty();
        add({1, 1, 1, 1, "101"});
        add({1, 1, 1, 2, "102"});
        table->first();
        ::chmod(c.path.c_str(), c.mode);
        testing::PermissionChecks asOrdinaryUser;
        for (bool emptied : {false, true}) {
            if (emptied)
                table->empty();
            try {
                SaveDataSetToIni(*table, path());
                ADD_FAILURE() << "the save went through";
            } catch (const platform::Error& e) {
                EXPECT_EQ(std::string(e.what()), "Unable to write to " + path());
            }
            EXPECT_EQ(readBytes(path()), old);
            EXPECT_EQ(testing::entryCount(m_dir.path()), 1u);
            EXPECT_FALSE(table->controlsDisabled());
        }
        ::chmod(c.path.c_str(), 0755);
    }
}

// The link stays a link through every save, and the file it leads to holds the table; with the
// last room the file goes, and the next room brings it back.
TEST_F(DataSetIniTest, ARoomFileThatIsALinkStaysALink) {
    testing::TempDirectory elsewhere;
    const std::string target = elsewhere.file("Odalar.ini");
    writeBytes(target, readBytes(fixtures / "two_rooms.ini"));
    std::filesystem::create_symlink(target, path());
    LoadDataSetFromIni(*table, path());
    ASSERT_EQ(table->recordCount(), 2);
    add({1, 1, 3, 14, "301"});
    const auto saved = [&](const std::string& expected) {
        SaveDataSetToIni(*table, path());
        EXPECT_EQ(std::filesystem::read_symlink(path()), target);
        if (expected.empty())
            EXPECT_FALSE(std::filesystem::exists(target));
        else
            EXPECT_EQ(readBytes(target), expected);
        EXPECT_EQ(testing::entryCount(m_dir.path()), 1u);
        EXPECT_EQ(testing::entryCount(elsewhere.path()), expected.empty() ? 0u : 1u);
    };
    saved(readBytes(fixtures / "two_rooms.ini") +
          "[RecNo3]\r\nALAN=1\r\nBINA=1\r\nKAT=3\r\nODA=14\r\nODA_STR=301\r\n");
    table->empty();
    saved("");
    add({1, 1, 1, 1, "101"});
    saved("[RecNo1]\r\nALAN=1\r\nBINA=1\r\nKAT=1\r\nODA=1\r\nODA_STR=101\r\n");
}

} // namespace
} // namespace zorva::rooms
