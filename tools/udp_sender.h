#pragma once

#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zorva::tools {

class SendError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A UDP socket aimed at one IPv4 host and port. It is connected, so that the system reports
// back when nothing listens there (on loopback it always can; across a network only when the
// far side says so). Failures throw SendError with the system's reason.
class UdpSender {
public:
    // From the local address `from`, or one the system chooses when it is empty.
    UdpSender(const std::string& host, int port, const std::string& from = {});
    ~UdpSender();
    UdpSender(const UdpSender&) = delete;
    UdpSender& operator=(const UdpSender&) = delete;

    // Blocks while the socket's send buffer is full, so that nothing is dropped on this side.
    void send(std::string_view datagram);
    // Waits up to the given time for the system to report an error about what was sent.
    void checkDelivery(std::chrono::milliseconds wait);
    // "address:port" of the receiver, as resolved.
    const std::string& target() const { return m_target; }

private:
    [[noreturn]] void fail(int error) const;

    int m_fd = -1;
    std::string m_target;
};

} // namespace zorva::tools
