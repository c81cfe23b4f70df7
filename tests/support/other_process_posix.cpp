#include "tests/support/other_process.h"

#include <csignal>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace zorva::testing {

OtherProcess::OtherProcess() {
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        for (;;)
            ::pause();
    }
    m_id = static_cast<unsigned long>(pid);
    m_running = true;
}

void OtherProcess::end() {
    if (!m_running)
        return;
    m_running = false;
    ::kill(static_cast<pid_t>(m_id), SIGKILL);
    ::waitpid(static_cast<pid_t>(m_id), nullptr, 0);
}

} // namespace zorva::testing
