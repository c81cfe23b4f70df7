// The room file survives the process that writes it being killed at any moment, and the next
// save leaves nothing of the killed one.

#include "flood_mix.h"
#include "platform/file_system.h"
#include "platform/format_settings.h"
#include "rooms/data_set_ini.h"
#include "rooms/room_table.h"

#include "tests/support/temp_directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using zorva::testing::TempDirectory;
using Clock = std::chrono::steady_clock;

namespace {

// At least this many kills; more, up to the most, until kills have fallen inside a write and
// both versions have been seen, however the machine's speed moves the aim about.
constexpr int kills = 80;
constexpr int mostKills = 400;

// Two versions of the room table, and the bytes the room file holds for each.
struct Versions {
    std::unique_ptr<zorva::rooms::MemoryDataSet> tables[2];
    std::string bytes[2];
};

Versions makeVersions(const TempDirectory& dir) {
    Versions v;
    zorva::testing::writeBytes(dir.file("rooms.ini"), e2e::floodRoomFile());
    for (int i = 0; i < 2; ++i) {
        v.tables[i] = zorva::rooms::makeRoomTable();
        v.tables[i]->setFormatSettings(zorva::platform::FormatSettings::turkish());
        zorva::rooms::LoadDataSetFromIni(*v.tables[i], dir.file("rooms.ini"));
    }
    // The newer version has lost its last room and has a new name for the first.
    v.tables[1]->last();
    v.tables[1]->deleteRecord();
    v.tables[1]->first();
    v.tables[1]->edit();
    v.tables[1]->field("ODA_STR").setAsString("Kule S\xfcit");
    v.tables[1]->post();
    for (int i = 0; i < 2; ++i) {
        const std::string path = dir.file("version" + std::to_string(i) + ".ini");
        zorva::rooms::SaveDataSetToIni(*v.tables[i], path);
        v.bytes[i] = zorva::testing::readBytes(path);
    }
    return v;
}

// A child that saves the newer version, then the older, and so on, and tells of each save
// through the pipe. Bounded, so that a saver nobody kills ends by itself.
pid_t startSaver(Versions& v, const std::string& target, int& savedPipe) {
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        for (int save = 1; save < 100'000 && std::chrono::steady_clock::now() < deadline; ++save) {
            zorva::rooms::SaveDataSetToIni(*v.tables[save % 2], target);
            if (::write(fds[1], "s", 1) != 1)
                break;
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    savedPipe = fds[0];
    return pid;
}

bool waitForSaves(int savedPipe, int count) {
    for (int seen = 0; seen < count;) {
        pollfd p{savedPipe, POLLIN, 0};
        char byte = 0;
        if (::poll(&p, 1, 30'000) != 1 || ::read(savedPipe, &byte, 1) != 1)
            return false;
        ++seen;
    }
    return true;
}

void killSaver(pid_t pid, int savedPipe) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ::close(savedPipe);
}

// Temporary files that killed savers left behind.
int leftovers(const TempDirectory& dir) {
    int found = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        found += name.starts_with("Odalar.ini.") && name.ends_with(".tmp");
    }
    return found;
}

// The save after a kill removes what the killed saver left, so that each kill is seen alone.
void saveAfterAKill(Versions& v, const std::string& target) {
    zorva::rooms::SaveDataSetToIni(*v.tables[0], target);
}

TEST(CrashSafety, AfterEveryKillTheRoomFileIsTheOldOrTheNewOneWhole) {
    TempDirectory dir;
    Versions versions = makeVersions(dir);
    ASSERT_EQ(versions.bytes[0], e2e::floodRoomFile());
    ASSERT_NE(versions.bytes[0], versions.bytes[1]);
    const std::string target = dir.file("Odalar.ini");
    zorva::testing::writeBytes(target, versions.bytes[0]);

    // How long a saver's second save takes here, and the file write that ends it, so that the
    // kills can fall anywhere whatever the build, and many of them inside a write.
    int pipe = -1;
    pid_t saver = -1;
    std::vector<Clock::duration> seconds;
    for (int run = 0; run < 3; ++run) {
        saver = startSaver(versions, target, pipe);
        ASSERT_TRUE(waitForSaves(pipe, 1));
        const auto first = Clock::now();
        ASSERT_TRUE(waitForSaves(pipe, 1));
        seconds.push_back(Clock::now() - first);
        killSaver(saver, pipe);
    }
    std::sort(seconds.begin(), seconds.end());
    const auto save = seconds[1];
    saveAfterAKill(versions, target);
    ASSERT_EQ(leftovers(dir), 0);
    const auto started = Clock::now();
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(
            zorva::platform::replaceFileAtomically(dir.file("probe.ini"), versions.bytes[0]));
    const auto write = (Clock::now() - started) / 4;

    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<Clock::duration::rep> anywhere(0, 2 * save.count());
    // Every other kill aims at the write that ends the second save, and moves its aim by what
    // it found: the second save's file means too late, the first one's without a temporary
    // file too early.
    Clock::duration aim = save - write;
    const Clock::duration step = std::max<Clock::duration>(write / 2, 100us);
    int midWrite = 0, sawOld = 0, sawNew = 0;
    for (int kill = 0;
         kill < mostKills && (kill < kills || midWrite == 0 || sawOld == 0 || sawNew == 0);
         ++kill) {
        const bool aimed = kill % 2 == 1;
        saver = startSaver(versions, target, pipe);
        ASSERT_GT(saver, 0);
        ASSERT_TRUE(waitForSaves(pipe, 1));
        const auto firstSaved = Clock::now();
        std::this_thread::sleep_until(firstSaved +
                                      (aimed ? aim : Clock::duration(anywhere(random))));
        killSaver(saver, pipe);

        const std::string now = zorva::testing::readBytes(target);
        ASSERT_TRUE(now == versions.bytes[0] || now == versions.bytes[1])
            << "kill " << kill << " left " << now.size() << " bytes, neither "
            << versions.bytes[0].size() << " nor " << versions.bytes[1].size();
        const bool inWrite = leftovers(dir) > 0;
        saveAfterAKill(versions, target);
        ASSERT_EQ(leftovers(dir), 0) << "kill " << kill << ": the next save left temporary files";
        ASSERT_EQ(zorva::testing::readBytes(target), versions.bytes[0]);
        sawOld += now == versions.bytes[0];
        sawNew += now == versions.bytes[1];
        midWrite += inWrite;
        if (aimed && !inWrite)
            aim += now == versions.bytes[0] ? -step : step;
    }
    // Kills that never fell inside a write, or never after one, would prove nothing.
    EXPECT_GT(midWrite, 0);
    EXPECT_GT(sawOld, 0);
    EXPECT_GT(sawNew, 0);
    RecordProperty("killsDuringAWrite", midWrite);
    RecordProperty("oldNew", std::to_string(sawOld) + "/" + std::to_string(sawNew));
    RecordProperty(
        "saveAndWriteMicroseconds",
        std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(save).count()) + "/" +
            std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(write).count()));
}

} // namespace
