#pragma once

namespace zorva::platform {

// A session or service manager asks a program to end with SIGTERM, SIGINT or SIGHUP. Installs
// handlers for them that only make a descriptor readable, so that the event loop can end the
// program in an orderly way. Returns that descriptor, or -1 when it cannot be set up. On Windows
// the requests are the console's Ctrl+C (SIGINT), Ctrl+Break (SIGBREAK) and close (SIGTERM), and
// the descriptor is a socket.
int watchTerminationSignals();

// Takes one pending notice off the descriptor; returns the signal number, or 0.
int takeTerminationSignal(int fd);

} // namespace zorva::platform
