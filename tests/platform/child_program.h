#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

// What the child process tests' program does differently on each system.
namespace zorva::testing::child_program {

// Standard input and output carry bytes, unchanged; a crash ends the program at once, without
// a box that would wait for someone to close it.
void prepare();
// Blocks until some input is there; 0 at its end.
std::size_t readInput(std::span<char> buffer);
bool writeOutput(std::string_view bytes);
void closeInput();
void closeOutput();
// A report of what this program holds open. On POSIX every descriptor, "0 1 2" with nothing
// else; on Windows those of the handles the arguments name that are open here, one line each,
// nothing when none of them is.
std::string inheritedHandles(std::span<char*> arguments);

// The bytes that the "write", "crash" and "abort" modes write.
inline std::string pattern(int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i)
        bytes += static_cast<char>(i % 251);
    return bytes;
}

} // namespace zorva::testing::child_program
