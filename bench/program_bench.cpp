// The installed program on the offscreen platform: from its start to the listener bound and
// the memory it then holds, and how many check-ins it takes a second with its window, its log
// and the stand-in's journal.

#include "bench/bench_support.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zorva::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int freePort() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

std::string contentsOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

long residentKilobytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:"))
            return std::stol(line.substr(6));
    return -1;
}

// A copy of the installed folder (the program finds its encoder beside itself only there),
// with the two files of a hotel that starts by itself.
struct InstalledProgram {
    InstalledProgram() {
        fs::copy(ZORVA_BENCH_INSTALL, folder.path(), fs::copy_options::recursive);
        fs::create_directories(folder.file("Data/Ini"));
        std::ofstream(folder.file("Data/Ini/AnaF_JvFormStorage1.ini"), std::ios::binary)
            << "[TAnaF]\r\nComboBoxEMD_KartTipi_ItemIndex=1\r\n"
               "EditZorvakilt_EMD_R1_Text=ABCDEFGHIJKLMNOP\r\nCurrencyEditUDP_Value="
            << port << "\r\n";
        std::ofstream rooms(folder.file("Data/Ini/Odalar.ini"), std::ios::binary);
        for (int room = 1; room <= roomCount; ++room)
            rooms << "[RecNo" << room << "]\r\nALAN=1\r\nBINA=1\r\nKAT=1\r\nODA=" << room % 250
                  << "\r\nODA_STR=Oda " << room << "\r\n";
    }

    pid_t start() const {
        fs::remove(journal());
        const std::string program = folder.file("zorva-kilit");
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            ::setenv("LANG", "tr_TR.UTF-8", 1);
            ::setenv("LC_ALL", "tr_TR.UTF-8", 1);
            ::setenv("LEVELLOCK_JOURNAL", journal().c_str(), 1);
            ::setenv("HOME", folder.path().c_str(), 1);
            ::setenv("XDG_RUNTIME_DIR", folder.path().c_str(), 1);
            ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return pid;
    }

    // The start sequence binds the port first and frees the encoder right after.
    bool waitFor(const std::string& line, std::chrono::seconds limit) const {
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            if (contentsOf(journal()).find(line + "\n") != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::microseconds(250));
        }
        return false;
    }

    std::string journal() const { return folder.file("journal.txt"); }
    long journalSize() const {
        struct stat st {};
        return ::stat(journal().c_str(), &st) == 0 ? static_cast<long>(st.st_size) : 0;
    }
    ScratchFolder folder;
    int port = freePort();
};

void BM_StartToListenerBound(benchmark::State& state) {
    if (!fs::exists(fs::path(ZORVA_BENCH_INSTALL) / "zorva-kilit")) {
        state.SkipWithError("install the build into " ZORVA_BENCH_INSTALL " first");
        return;
    }
    InstalledProgram installed;
    std::vector<double> residentMb;
    for (auto _ : state) {
        const auto started = Clock::now();
        const pid_t pid = installed.start();
        const bool bound = installed.waitFor("LV4_FreeSystem", std::chrono::seconds(20));
        const std::chrono::duration<double> took = Clock::now() - started;
        const bool ready = bound && installed.waitFor("LV4_BeepOk", std::chrono::seconds(20));
        if (ready)
            residentMb.push_back(static_cast<double>(residentKilobytes(pid)) / 1024.0);
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        if (!ready) {
            state.SkipWithError("the program did not start its listener");
            break;
        }
        state.SetIterationTime(took.count());
    }
    if (!residentMb.empty()) {
        std::sort(residentMb.begin(), residentMb.end());
        state.counters["resident_MB"] = residentMb[residentMb.size() / 2];
    }
}
BENCHMARK(BM_StartToListenerBound)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// Every check-in leaves two journal lines of fixed length, a request and a beep, so the
// journal's size tells how many the program has handled; no more than the socket's buffer
// holds are ever in flight. The check-ins go to rooms all over the table, or all to the same
// room, whose lookup finds it on the current record and moves nothing in the window.
void BM_ProgramThroughput(benchmark::State& state) {
    if (!fs::exists(fs::path(ZORVA_BENCH_INSTALL) / "zorva-kilit")) {
        state.SkipWithError("install the build into " ZORVA_BENCH_INSTALL " first");
        return;
    }
    InstalledProgram installed;
    const pid_t pid = installed.start();
    if (!installed.waitFor("LV4_BeepOk", std::chrono::seconds(20))) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        state.SkipWithError("the program did not start");
        return;
    }
    const int sender = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(static_cast<std::uint16_t>(installed.port));
    ::connect(sender, reinterpret_cast<sockaddr*>(&to), sizeof to);

    constexpr int batch = 2'000, window = 64;
    std::vector<std::string> datagrams;
    for (int i = 0; i < batch; ++i)
        datagrams.push_back(checkinFor(
            "Oda " + std::to_string(state.range(0) ? roomCount : 1 + (i * 37) % roomCount), i));
    const long perCheckin =
        static_cast<long>(std::string("LV4_IssueGuestCard 01010100 0000000000000000 0000 000000 "
                                      "323032353037303131343030 323032353038303131323030 "
                                      "0100000000001000000000 00000000000000 0 -> 0\nLV4_BeepOk\n")
                              .size());
    for (auto _ : state) {
        const long start = installed.journalSize();
        const auto handled = [&] { return (installed.journalSize() - start) / perCheckin; };
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        int sent = 0;
        while (handled() < batch && Clock::now() < deadline) {
            while (sent < batch && sent - handled() < window) {
                const std::string& d = datagrams[static_cast<std::size_t>(sent++)];
                ::send(sender, d.data(), d.size(), 0);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        if (handled() < batch) {
            state.SkipWithError("check-ins were lost");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * batch);
    ::close(sender);
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
}
BENCHMARK(BM_ProgramThroughput)
    ->ArgName("sameRoom")
    ->Arg(0)
    ->Arg(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace zorva::bench
