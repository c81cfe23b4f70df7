// Refusals as an ordinary user meets them, through permission bits.

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

} // namespace
} // namespace zorva::rooms
