#pragma once

// Runs the installed program as a separate process, the way a hotel runs it, and reads what it
// leaves behind: the stand-in encoder's journal and the files in Data/Ini.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace e2e {

// A fresh copy of the installed directory for one test, removed afterwards.
class InstalledCopy {
public:
    InstalledCopy();
    // A copy of another folder laid out as an install, such as an unpacked package.
    explicit InstalledCopy(const std::filesystem::path& installed);
    ~InstalledCopy();
    InstalledCopy(const InstalledCopy&) = delete;
    InstalledCopy& operator=(const InstalledCopy&) = delete;

    const std::filesystem::path& dir() const { return m_dir; }
    std::filesystem::path iniDir() const { return m_dir / "Data" / "Ini"; }
    std::filesystem::path journal() const { return m_dir / "journal.txt"; }
    // Where the program's standard output and error go.
    std::filesystem::path output() const { return m_dir / "output.txt"; }
    void writeIni(const std::string& name, const std::string& bytes) const;
    std::string readFile(const std::filesystem::path& path) const;
    std::vector<std::string> journalLines() const;

private:
    std::filesystem::path m_dir;
};

struct Launch {
    // Runs the program without the capabilities that let root ignore permission bits, so that
    // a read-only directory refuses it as it refuses an ordinary user.
    bool honourPermissions = false;
};

class Program {
public:
    // Starts DIR/zorva-kilit on the offscreen platform with Turkish regional settings, its
    // output going to copy.output().
    explicit Program(const InstalledCopy& copy, std::map<std::string, std::string> env = {},
                     Launch launch = {});
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    int pid() const { return m_pid; }
    bool running();
    void signal(int sig);
    // Waits for the process to end; returns its exit status, or -1 when the time ran out.
    int wait(std::chrono::milliseconds timeout);

private:
    int m_pid = -1;
    int m_status = -1;
};

// Waits until the journal holds a line equal to `line`, `count` times.
bool waitForJournal(const InstalledCopy& copy, const std::string& line,
                    std::chrono::milliseconds timeout, std::size_t count = 1);

// Waits until the program's output holds the text.
bool waitForOutput(const InstalledCopy& copy, const std::string& text,
                   std::chrono::milliseconds timeout);

void sendDatagram(int port, const std::string& payload);
// Sends from another local address of the loopback range.
void sendDatagramFrom(const std::string& from, int port, const std::string& payload);

// A socket aimed at the program's port on loopback, for sending many datagrams quickly.
class Sender {
public:
    // From the given loopback address, 127.0.0.1 unless told: all of 127.0.0.0/8 is local here.
    explicit Sender(int port, const std::string& from = "127.0.0.1");
    ~Sender();
    Sender(const Sender&) = delete;
    Sender& operator=(const Sender&) = delete;
    bool send(const std::string& bytes);
    // The port it sends from, which the program sees as the sender's.
    int localPort() const;

private:
    int m_fd;
};

// A UDP port that nothing holds at this moment, so that tests run beside others.
int freeUdpPort();

// The resident memory of a process in kilobytes (VmRSS), or -1 when it cannot be read.
long residentKilobytes(int pid);

// Settings with which the program starts the lock system by itself and listens on the port.
std::string autoStartSettings(int port);

// Reads a growing journal from where it left off, whole lines only.
class JournalFollower {
public:
    explicit JournalFollower(std::filesystem::path path) : m_path(std::move(path)) {}
    std::vector<std::string> newLines();

private:
    std::filesystem::path m_path;
    std::uint64_t m_offset = 0;
};

} // namespace e2e
