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
    writeBytes(path(), old);
    add({1, 1, 1, 1, "101"});
    add({1, 1, 1, 2, "102"});
    table->first();
    ::chmod(m_dir.path().c_str(), 0555);
    testing::PermissionChecks asOrdinaryUser;
    for (bool emptied : {false, true}) {
        if (emptied)
            table->empty(); // a removal is refused the same way
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
}

} // namespace
} // namespace zorva::rooms
