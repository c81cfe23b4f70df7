// Replacing files, on every system.

#include "platform/file_system.h"
#include "platform/ini_file.h"
#include "platform/process_status.h"
#include "tests/platform/ini_file_fixture.h"
#include "tests/support/other_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace zorva::platform {
namespace {

using test::IniFileTest;
using testing::entryNames;
using ::testing::UnorderedElementsAreArray;
using testing::writeBytes;

// The temporaries that a killed writer leaves go with the next write, or when asked for; those
// of a process that still runs stay, and so does every name that is not a temporary of the file.
TEST_F(IniFileTest, TemporariesThatEndedProcessesLeftGoAndNothingElse) {
    testing::OtherProcess running;
    testing::OtherProcess ended;
    ended.end();
    const std::string gone = std::to_string(ended.id());
    const std::string ours = std::to_string(currentProcessId());
    const std::vector<std::string> leftovers = {
        "test.ini." + gone + ".0.tmp",
        "test.ini." + gone + ".17.tmp",
        // Ours while this process writes none: an earlier process had the same id.
        "test.ini." + ours + ".3.tmp",
    };
    const std::vector<std::string> kept = {
        "test.ini." + std::to_string(running.id()) + ".0.tmp",
        "other.ini." + gone + ".0.tmp",
        "test.ini2." + gone + ".0.tmp",
        "test.ini." + gone + ".x.tmp",
        "test.ini.x" + gone + ".0.tmp",
        "test.ini." + gone + ".0",
        "test.ini." + gone + ".0.tmp.old",
        "test.ini." + gone + ".tmp",
        "test.ini." + gone + "..tmp",
        "test.ini.0" + gone + ".0.tmp",
        "test.ini.-" + gone + ".0.tmp",
        "test.ini." + gone + ".1.2.tmp",
    };
    const auto make = [&](const std::vector<std::string>& names) {
        for (const std::string& name : names)
            writeBytes(m_dir.file(name), name);
    };
    make(leftovers);
    make(kept);
    writeBytes(path(), "[S]\r\nk=old\r\n");
    std::vector<std::string> after = kept;
    after.push_back("test.ini");

    EXPECT_EQ(removeStaleTemporaries(path()), leftovers.size());
    EXPECT_THAT(entryNames(m_dir.path()), UnorderedElementsAreArray(after));
    EXPECT_EQ(removeStaleTemporaries(m_dir.file("missing/test.ini")), 0u);

    make(leftovers);
    IniFile ini(path());
    ini.writeString("S", "k", "new");
    ini.close();
    EXPECT_THAT(entryNames(m_dir.path()), UnorderedElementsAreArray(after));
    for (const std::string& name : kept)
        EXPECT_EQ(testing::readBytes(m_dir.file(name)), name);
}

} // namespace
} // namespace zorva::platform
