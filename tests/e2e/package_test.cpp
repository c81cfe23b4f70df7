// The package as a hotel gets it: unpacked into some folder, and run from there.

#include "program_process.h"

#include "tests/support/temp_directory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <thread>

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> entriesOf(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Package, UnpackedAnywhereItRunsAndMakesItsDataFolderBesideItself) {
#ifndef ZORVA_PACKAGE_PATH
    GTEST_SKIP() << "the build makes no package";
#else
    zorva::testing::TempDirectory unpacked;
    const std::string untar =
        "tar -xzf '" + std::string(ZORVA_PACKAGE_PATH) + "' -C '" + unpacked.path().string() + "'";
    ASSERT_EQ(std::system(untar.c_str()), 0);
    const auto top = entriesOf(unpacked.path());
    ASSERT_EQ(top.size(), 1u) << "everything is in one folder";
    EXPECT_THAT(top[0], ::testing::StartsWith("zorva-kilit-"));
    const fs::path folder = unpacked.path() / top[0];
    EXPECT_THAT(entriesOf(folder),
                ElementsAre("README.md", "install-menu-entry.sh", "libLevelLock.so", "zorva-kilit",
                            "zorva-kilit.desktop", "zorva-kilit.svg", "zorva-lock-host",
                            "zorva-send"));
    EXPECT_THAT(zorva::testing::readBytes(folder / "zorva-kilit.desktop"),
                HasSubstr("\nExec=zorva-kilit\nIcon=zorva-kilit\n"));

    e2e::InstalledCopy copy(folder);
    {
        e2e::Program program(copy);
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!fs::is_directory(copy.iniDir()) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(20ms);
        ASSERT_TRUE(fs::is_directory(copy.iniDir()));
        std::this_thread::sleep_for(300ms);
        program.signal(SIGTERM);
        ASSERT_EQ(program.wait(10s), 0);
        EXPECT_TRUE(fs::exists(copy.iniDir() / "AnaF_JvFormStorage1.ini"));
    }

    const int port = e2e::freeUdpPort();
    copy.writeIni("AnaF_JvFormStorage1.ini", e2e::autoStartSettings(port));
    copy.writeIni("Odalar.ini",
                  "[RecNo1]\r\nALAN=1\r\nBINA=1\r\nKAT=2\r\nODA=12\r\nODA_STR=101\r\n");
    e2e::Program program(copy);
    ASSERT_TRUE(e2e::waitForJournal(copy, "LV4_BeepOk", 20s));
    const std::string send = "'" + (copy.dir() / "zorva-send").string() + "' --quiet --port " +
                             std::to_string(port) +
                             " --room 101 --in '29.07.2025 14:00' --out '31.07.2025 12:00'";
    ASSERT_EQ(std::system(send.c_str()), 0);
    EXPECT_TRUE(e2e::waitForJournal(copy,
                                    "LV4_IssueGuestCard 0101020c 0000000000000000 0000 000000 "
                                    "323032353037323931343030 323032353037333131323030 "
                                    "0100000000001000000000 00000000000000 0 -> 0",
                                    10s));
    program.signal(SIGTERM);
    EXPECT_EQ(program.wait(10s), 0);
#endif
}

} // namespace
