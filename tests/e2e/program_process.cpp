#include "program_process.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <linux/capability.h>
#include <netinet/in.h>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace e2e {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

fs::path installedDir() {
    const char* installed = std::getenv("ZORVA_INSTALLED_DIR");
    if (!installed)
        throw std::runtime_error("ZORVA_INSTALLED_DIR is not set");
    return installed;
}

} // namespace

InstalledCopy::InstalledCopy() : InstalledCopy(installedDir()) {}

InstalledCopy::InstalledCopy(const fs::path& installed) {
    m_dir = fs::temp_directory_path() /
            ("zorva-e2e-" + std::to_string(::getpid()) + "-" + std::to_string(std::rand()));
    fs::create_directories(m_dir);
    fs::copy(installed, m_dir, fs::copy_options::recursive);
}

InstalledCopy::~InstalledCopy() {
    std::error_code ignored;
    fs::remove_all(m_dir, ignored);
}

void InstalledCopy::writeIni(const std::string& name, const std::string& bytes) const {
    fs::create_directories(iniDir());
    std::ofstream(iniDir() / name, std::ios::binary) << bytes;
}

std::string InstalledCopy::readFile(const fs::path& path) const {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> InstalledCopy::journalLines() const {
    std::ifstream in(journal());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

Program::Program(const InstalledCopy& copy, std::map<std::string, std::string> env, Launch launch) {
    env.emplace("QT_QPA_PLATFORM", "offscreen");
    env.emplace("LANG", "tr_TR.UTF-8");
    env.emplace("LC_ALL", "tr_TR.UTF-8");
    env.emplace("LEVELLOCK_JOURNAL", copy.journal().string());
    env.emplace("HOME", copy.dir().string());
    env.emplace("XDG_CONFIG_HOME", (copy.dir() / "config").string());
    env.emplace("XDG_RUNTIME_DIR", copy.dir().string());
    const std::string program = (copy.dir() / "zorva-kilit").string();
    const std::string output = copy.output().string();
    m_pid = ::fork();
    if (m_pid == 0) {
        const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (out < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0)
            ::_exit(125);
        // Out of the bounding set, the capabilities do not come back when root runs the
        // program, and permission bits apply to it as to anyone; an ordinary user has none of
        // them to drop.
        if (launch.honourPermissions && ::geteuid() == 0)
            for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
                if (::prctl(PR_CAPBSET_DROP, cap, 0, 0, 0) != 0)
                    ::_exit(124);
        for (const auto& [name, value] : env)
            ::setenv(name.c_str(), value.c_str(), 1);
        // Run from elsewhere, so that nothing depends on the working directory.
        if (::chdir("/") != 0)
            ::_exit(126);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
}

Program::~Program() {
    if (running()) {
        ::kill(m_pid, SIGKILL);
        wait(5s);
    }
}

bool Program::running() {
    if (m_pid <= 0 || m_status != -1)
        return false;
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_status = status;
        return false;
    }
    return true;
}

void Program::signal(int sig) {
    ::kill(m_pid, sig);
}

int Program::wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    if (m_status == -1)
        return -1;
    return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : 128 + WTERMSIG(m_status);
}

bool waitForJournal(const InstalledCopy& copy, const std::string& line,
                    std::chrono::milliseconds timeout, std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        std::size_t seen = 0;
        for (const auto& l : copy.journalLines())
            seen += l == line;
        if (seen >= count)
            return true;
        std::this_thread::sleep_for(10ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

void sendDatagram(int port, const std::string& payload) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::sendto(fd, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    ::close(fd);
}

Sender::Sender(int port, const std::string& from)
    : m_fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in source{};
    source.sin_family = AF_INET;
    if (m_fd < 0 || ::inet_pton(AF_INET, from.c_str(), &source.sin_addr) != 1 ||
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&source), sizeof source) != 0)
        throw std::runtime_error("cannot send from " + from);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (m_fd < 0 || ::connect(m_fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0)
        throw std::runtime_error("cannot aim a socket at the program");
}

Sender::~Sender() {
    ::close(m_fd);
}

bool Sender::send(const std::string& bytes) {
    return ::send(m_fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size());
}

int Sender::localPort() const {
    sockaddr_in self{};
    socklen_t size = sizeof self;
    if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&self), &size) != 0)
        throw std::runtime_error("cannot tell the sending port");
    return ntohs(self.sin_port);
}

void sendDatagramFrom(const std::string& from, int port, const std::string& payload) {
    Sender(port, from).send(payload);
}

bool waitForOutput(const InstalledCopy& copy, const std::string& text,
                   std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        if (copy.readFile(copy.output()).find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(20ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

int freeUdpPort() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("no free UDP port");
    ::close(fd);
    return ntohs(address.sin_port);
}

long residentKilobytes(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:"))
            return std::stol(line.substr(6));
    return -1;
}

std::string autoStartSettings(int port) {
    return "[TAnaF]\r\n"
           "ComboBoxEMD_KartTipi_ItemIndex=1\r\n"
           "EditZorvakilt_EMD_R1_Text=ABCDEFGH\r\n"
           "EditZorvakilt_EMD_R3_Text=IJKLMNOP\r\n"
           "SpinEdit_EMD_CalismaSektoru_Value=1\r\n"
           "CurrencyEditUDP_Value=" +
           std::to_string(port) + "\r\n";
}

std::vector<std::string> JournalFollower::newLines() {
    std::vector<std::string> lines;
    std::ifstream in(m_path, std::ios::binary);
    if (!in)
        return lines;
    in.seekg(static_cast<std::streamoff>(m_offset));
    std::string line;
    while (std::getline(in, line)) {
        if (in.eof())
            break; // a line still being written
        m_offset += line.size() + 1;
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace e2e
