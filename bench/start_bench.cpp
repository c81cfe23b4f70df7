// The program from its start to the listener bound, starting by itself on the offscreen
// platform, and the memory it holds once started.

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

// The installed layout: the program, the encoder beside it, and its two files.
struct InstalledProgram {
    InstalledProgram() {
        fs::copy_file(ZORVA_PROGRAM, folder.file("zorva-kilit"));
        fs::copy_file(ZORVA_LEVELLOCK, folder.file("libLevelLock.so"));
        fs::create_directories(folder.file("Data/Ini"));
        std::ofstream(folder.file("Data/Ini/AnaF_JvFormStorage1.ini"), std::ios::binary)
            << "[TAnaF]\r\nComboBoxEMD_KartTipi_ItemIndex=1\r\n"
               "EditZorvakilt_EMD_R1_Text=ABCDEFGHIJKLMNOP\r\nCurrencyEditUDP_Value="
            << freePort() << "\r\n";
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
    ScratchFolder folder;
};

void BM_StartToListenerBound(benchmark::State& state) {
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

} // namespace
} // namespace zorva::bench
