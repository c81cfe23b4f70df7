#pragma once

namespace zorva::platform {

// This process's id, as the system numbers its processes.
unsigned long currentProcessId();

// False once no process of that id runs. A process that runs but may not be asked about, such as
// another user's, counts as running.
bool processRunning(unsigned long id);

} // namespace zorva::platform
