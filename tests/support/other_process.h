#pragma once

namespace zorva::testing {

// Another process, started as this one, that waits doing nothing until it is ended; ended at the
// latest when this goes.
class OtherProcess {
public:
    OtherProcess();
    OtherProcess(const OtherProcess&) = delete;
    OtherProcess& operator=(const OtherProcess&) = delete;
    ~OtherProcess() { end(); }

    unsigned long id() const { return m_id; }
    // Ends the process and waits until the system has done with it, so that its id names no
    // running process.
    void end();

private:
    unsigned long m_id = 0;
    void* m_handle = nullptr; // the process handle, on Windows
    bool m_running = false;
};

} // namespace zorva::testing
