#pragma once

#include <linux/capability.h>
#include <stdexcept>
#include <sys/syscall.h>
#include <unistd.h>

namespace zorva::testing {

// Tests run as root on the build machines, and root writes into read-only directories. For
// its lifetime this takes from the calling thread the capabilities that override file
// permissions, so that permission bits refuse as they refuse an ordinary user; the thread
// gets them back afterwards. Does nothing for a process that never had them.
class PermissionChecks {
public:
    PermissionChecks() {
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            throw std::runtime_error("capget failed");
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &=
            ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        if (::syscall(SYS_capset, &m_header, reduced) != 0)
            throw std::runtime_error("capset failed");
    }
    PermissionChecks(const PermissionChecks&) = delete;
    PermissionChecks& operator=(const PermissionChecks&) = delete;
    ~PermissionChecks() { ::syscall(SYS_capset, &m_header, m_saved); }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
};

} // namespace zorva::testing
