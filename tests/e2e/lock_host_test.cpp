// The encoder library in a process of its own, misbehaving as a vendor's library does when the
// encoder's cable is pulled: the installed program with the stand-in told to hang, abort or
// crash in a call.

#include "flood_mix.h"
#include "program_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <thread>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

const std::vector<std::string> startLines{
    "LV4_FreeSystem", "LV4_InitializeSystem 5 -> 0",
    "LV4_SetAuthCode 4142434445464748494a4b4c4d4e4f50 1 0 0 0 0 0 0 0 0 0 0 0 0 0 -> 0",
    "LV4_BeepOk"};

// The processes whose program is this copy's lock host.
std::vector<int> hostsOf(const e2e::InstalledCopy& copy) {
    std::vector<int> pids;
    const fs::path host = copy.dir() / "zorva-lock-host";
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code error;
        if (fs::read_symlink(entry.path() / "exe", error) == host)
            pids.push_back(std::stoi(name));
    }
    return pids;
}

// The children of a process, zombies included, and how many of them are zombies.
std::pair<int, int> childrenOf(int pid) {
    int children = 0, zombies = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line))
            continue;
        // pid (comm) state ppid ...; comm may hold blanks and parentheses.
        const auto close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        char state = 0;
        int parent = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &parent) == 2 &&
            parent == pid) {
            ++children;
            zombies += state == 'Z';
        }
    }
    return {children, zombies};
}

class LockHost : public ::testing::Test {
protected:
    void start(std::map<std::string, std::string> env = {}) {
        copy.writeIni("AnaF_JvFormStorage1.ini", e2e::autoStartSettings(port));
        copy.writeIni("Odalar.ini", e2e::floodRoomFile());
        env.emplace("LEVELLOCK_FAIL_WHEN", trigger.string());
        program = std::make_unique<e2e::Program>(copy, env);
        ASSERT_TRUE(e2e::waitForJournal(copy, "LV4_BeepOk", 20s)) << copy.readFile(copy.output());
        ASSERT_EQ(journal.newLines(), startLines);
    }

    // The journal's next `count` lines, or fewer if they do not come within the limit.
    std::vector<std::string> next(std::size_t count, std::chrono::seconds limit = 20s) {
        std::vector<std::string> lines;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (lines.size() < count && std::chrono::steady_clock::now() < deadline) {
            for (std::string& line : journal.newLines())
                lines.push_back(std::move(line));
            std::this_thread::sleep_for(10ms);
        }
        return lines;
    }

    // A check-in that misbehaves once, in the way the environment says.
    e2e::FloodDatagram misbehavingCheckin() {
        std::ofstream(trigger) << "once";
        return mix.validCheckin();
    }

    const int port = e2e::freeUdpPort();
    e2e::InstalledCopy copy;
    const fs::path trigger = copy.dir() / "fail-once";
    e2e::JournalFollower journal{copy.journal()};
    e2e::FloodMix mix{5};
    std::unique_ptr<e2e::Program> program;
};

struct Misbehaviour {
    const char* how;
    const char* logLine; // as the log and standard error tell it
    const char* outcome; // as the card record tells it
};

void PrintTo(const Misbehaviour& m, std::ostream* os) {
    *os << m.how;
}

class MisbehavingCard : public LockHost, public ::testing::WithParamInterface<Misbehaviour> {};

TEST_P(MisbehavingCard, IsToldTheHostIsStartedAgainAndTheNextCheckinGetsItsCard) {
    start({{"LEVELLOCK_FAIL_LV4_IssueGuestCard", GetParam().how}});
    const e2e::FloodDatagram bad = misbehavingCheckin();
    e2e::sendDatagram(port, bad.bytes);
    // The request got to the library with its exact bytes; no beep follows it.
    const std::string told =
        bad.request->substr(0, bad.request->rfind(" -> ")) + " -> " + GetParam().how;
    const auto lines = next(1 + startLines.size(), 60s);
    ASSERT_EQ(lines.size(), 1 + startLines.size()) << copy.readFile(copy.output());
    EXPECT_EQ(lines[0], told);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), startLines)
        << "the lock system is started again";
    const std::string output = copy.readFile(copy.output());
#ifdef __SANITIZE_ADDRESS__
    // The sanitizer's own handler ends a crash in its own way.
    EXPECT_NE(output.find(std::string(GetParam().logLine).substr(0, 25)), std::string::npos);
#else
    EXPECT_NE(output.find(GetParam().logLine), std::string::npos) << output;
#endif
    EXPECT_NE(output.find("Kilit Kütüphanesi Yeniden Başlatılıyor"), std::string::npos);

    const e2e::FloodDatagram good = mix.validCheckin();
    e2e::sendDatagram(port, good.bytes);
    EXPECT_EQ(next(2), (std::vector<std::string>{*good.request, "LV4_BeepOk"}));
    EXPECT_EQ(hostsOf(copy).size(), 1u);
    // The card that did not come back is in the record with no result, the next one with its.
    std::string record;
    for (const auto& file : fs::directory_iterator(copy.dir() / "Data" / "Log"))
        record += copy.readFile(file.path());
    EXPECT_THAT(record, ::testing::HasSubstr(std::string(";;") + GetParam().outcome + "\r\n"));
    EXPECT_THAT(record, ::testing::EndsWith(";0;kart\r\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, MisbehavingCard,
    ::testing::Values(
        Misbehaviour{"crash", "Kilit Kütüphanesi Durdu - signal 11 (Segmentation fault)",
                     "kütüphane durdu"},
        Misbehaviour{"abort", "Kilit Kütüphanesi Durdu - signal 6 (Aborted)", "kütüphane durdu"},
        Misbehaviour{"hang", "Kilit Kütüphanesi Yanıt Vermedi", "kütüphane yanıt vermedi"}),
    [](const auto& info) { return std::string(info.param.how); });

TEST_F(LockHost, FiftyCrashesLeaveNeitherProcessesNorMemoryBehind) {
    start({{"LEVELLOCK_FAIL_LV4_IssueGuestCard", "crash"}});
    [[maybe_unused]] long before = 0;
    for (int crash = 0; crash < 50; ++crash) {
        e2e::sendDatagram(port, misbehavingCheckin().bytes);
        ASSERT_EQ(next(1 + startLines.size()).size(), 1 + startLines.size()) << "crash " << crash;
        const e2e::FloodDatagram good = mix.validCheckin();
        e2e::sendDatagram(port, good.bytes);
        ASSERT_EQ(next(2), (std::vector<std::string>{*good.request, "LV4_BeepOk"}))
            << "after crash " << crash;
        if (crash == 4)
            before = e2e::residentKilobytes(program->pid());
    }
    EXPECT_EQ(childrenOf(program->pid()), std::make_pair(1, 0)) << "one host, no zombie";
    EXPECT_EQ(hostsOf(copy).size(), 1u);
#ifndef __SANITIZE_ADDRESS__
    const long after = e2e::residentKilobytes(program->pid());
    EXPECT_LT(after - before, 4 * 1024)
        << before << " kB after five crashes, " << after << " kB after fifty";
#endif
}

TEST_F(LockHost, SigtermDuringAHangingCallEndsTheProgramAndItsHostInSeconds) {
    start({{"LEVELLOCK_FAIL_LV4_IssueGuestCard", "hang"}});
    e2e::sendDatagram(port, misbehavingCheckin().bytes);
    ASSERT_EQ(next(1).size(), 1u);
    const auto asked = std::chrono::steady_clock::now();
    program->signal(SIGTERM);
    EXPECT_EQ(program->wait(10s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 5s);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!hostsOf(copy).empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(hostsOf(copy).empty()) << "the host was ended with the program";
    EXPECT_NE(copy.readFile(copy.iniDir() / "AnaF_JvFormStorage1.ini").find("[TAnaF]"),
              std::string::npos)
        << "closed as the close box does";
}

TEST_F(LockHost, AHostWhoseBridgeHasGoneEndsItself) {
    start();
    const auto hosts = hostsOf(copy);
    ASSERT_EQ(hosts.size(), 1u);
    program->signal(SIGKILL);
    program->wait(5s);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!hostsOf(copy).empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(hostsOf(copy).empty());
}

struct UnusableCase {
    const char* name;
    std::function<void(const e2e::InstalledCopy&)> spoil;
    std::function<std::string(const e2e::InstalledCopy&)> message;
};

void PrintTo(const UnusableCase& c, std::ostream* os) {
    *os << c.name;
}

class UnusableLibrary : public ::testing::TestWithParam<UnusableCase> {};

// As a program linked against the library does not start without it, this one says what is
// missing, and why, and does not start.
TEST_P(UnusableLibrary, IsToldWithItsPathAndTheReasonAndTheProgramDoesNotStart) {
    e2e::InstalledCopy copy;
    GetParam().spoil(copy);
    e2e::Program program(copy);
    const std::string message = "zorva-kilit: " + GetParam().message(copy) + "\n";
    ASSERT_TRUE(e2e::waitForOutput(copy, message, 10s)) << copy.readFile(copy.output());
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(program.running()) << "the box waits for the operator";
    program.signal(SIGTERM);
    EXPECT_EQ(program.wait(10s), 1);
    EXPECT_TRUE(copy.journalLines().empty());
    EXPECT_FALSE(fs::exists(copy.iniDir() / "AnaF_JvFormStorage1.ini")) << "no window was made";
    EXPECT_EQ(copy.readFile(copy.output()).find("Sistem"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnusableLibrary,
    ::testing::Values(
        UnusableCase{"Missing",
                     [](const e2e::InstalledCopy& c) { fs::remove(c.dir() / "libLevelLock.so"); },
                     [](const e2e::InstalledCopy& c) {
                         return "Kilit Kütüphanesi Yüklenemedi - " +
                                (c.dir() / "libLevelLock.so").string() +
                                ": cannot open shared object file: No such file or directory.";
                     }},
        UnusableCase{"WithoutTheCalls",
                     [](const e2e::InstalledCopy& c) {
                         // A library that loads but is no encoder's.
                         fs::copy_file("/lib/x86_64-linux-gnu/libm.so.6",
                                       c.dir() / "libLevelLock.so",
                                       fs::copy_options::overwrite_existing);
                     },
                     [](const e2e::InstalledCopy& c) {
                         const std::string path = (c.dir() / "libLevelLock.so").string();
                         return "Kilit Kütüphanesinde Fonksiyon Bulunamadı - " + path +
                                ": LV4_InitializeSystem: " + path +
                                ": undefined symbol: LV4_InitializeSystem.";
                     }},
        UnusableCase{"NoHost",
                     [](const e2e::InstalledCopy& c) { fs::remove(c.dir() / "zorva-lock-host"); },
                     [](const e2e::InstalledCopy& c) {
                         return "Kilit Kütüphanesi Sunucusu Başlatılamadı - Cannot start " +
                                (c.dir() / "zorva-lock-host").string() +
                                ": No such file or directory.";
                     }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
