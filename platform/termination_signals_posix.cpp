#include "platform/termination_signals.h"

#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

namespace zorva::platform {

namespace {

int writeEnd = -1;

void onSignal(int signal) {
    // Only async-signal-safe work here: one byte into the pipe.
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const auto written = ::write(writeEnd, &byte, 1);
}

} // namespace

int watchTerminationSignals() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return -1;
    writeEnd = fds[1];
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    return fds[0];
}

int takeTerminationSignal(int fd) {
    unsigned char byte = 0;
    return ::read(fd, &byte, 1) == 1 ? byte : 0;
}

} // namespace zorva::platform
