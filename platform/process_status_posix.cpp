#include "platform/process_status.h"

#include <cerrno>
#include <csignal>
#include <limits>
#include <unistd.h>

namespace zorva::platform {

unsigned long currentProcessId() {
    return static_cast<unsigned long>(::getpid());
}

bool processRunning(unsigned long id) {
    // Zero and negative numbers would name process groups, not a process.
    if (id == 0 || id > static_cast<unsigned long>(std::numeric_limits<pid_t>::max()))
        return false;
    return ::kill(static_cast<pid_t>(id), 0) == 0 || errno != ESRCH;
}

void endAtOnceOnCrash() {}

} // namespace zorva::platform
