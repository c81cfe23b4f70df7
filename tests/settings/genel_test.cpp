#include "platform/executable_path.h"
#include "platform/file_system.h"
#include "settings/form_storage.h"
#include "settings/genel.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zorva::settings {
namespace {

TEST(GetIniDir, IsBesideTheProgramAndMadeAgainWhenMissing) {
    const char sep = platform::pathSeparator;
    const std::string expected = platform::executableDirectory() + "Data" + sep + "Ini" + sep;
    std::filesystem::remove_all(platform::executableDirectory() + "Data");
    EXPECT_EQ(GetIniDir(), expected);
    EXPECT_TRUE(std::filesystem::is_directory(expected));
    std::filesystem::remove(expected);
    EXPECT_EQ(GetIniDir(), expected);
    EXPECT_TRUE(std::filesystem::is_directory(expected));
}

TEST(SetupFormStorage, PointsTheStorageAtItsFileAndActivatesIt) {
    ComponentRegistry form("AnaF", "TAnaF");
    auto& storage = form.add<FormStorage>("JvFormStorage1");
    storage.setOptions({FormPlacementOption::fpState, FormPlacementOption::fpPosition});
    storage.setActive(false);
    SetupFormStorage(storage);
    EXPECT_TRUE(storage.Options().empty());
    EXPECT_EQ(storage.IniFileName(), GetIniDir() + "AnaF_JvFormStorage1.ini");
    EXPECT_TRUE(storage.Active());

    Component& other = form.add("CheckBoxWAcilis");
    EXPECT_NO_THROW(SetupFormStorage(other));
}

} // namespace
} // namespace zorva::settings
