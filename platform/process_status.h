#pragma once

namespace zorva::platform {

// This process's id, as the system numbers its processes.
unsigned long currentProcessId();

// False once no process of that id runs. A process that runs but may not be asked about, such as
// another user's, counts as running.
bool processRunning(unsigned long id);

// A crash ends this process at once with its own code, as a program that nobody watches should
// end: no dialog waits for someone to answer it, and no debugger is started to write into its
// output. Nothing to do where a crash ends a process that way anyway.
void endAtOnceOnCrash();

} // namespace zorva::platform
