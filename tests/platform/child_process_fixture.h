#pragma once

#include "platform/child_process.h"
#include "platform/executable_path.h"
#include "tests/platform/child_program.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zorva::platform {

using namespace std::chrono_literals;

inline void PrintTo(const ExitStatus& status, std::ostream* out) {
    *out << status.text();
}

// The test program is built beside the test binary; tests that run under Wine find it there
// too, where this machine's paths do not hold.
inline std::string childProgramPath() {
    return executableDirectory() + ZORVA_CHILD_PROGRAM;
}

// Starts the test program in the mode that the arguments give (see child_program.cpp).
inline ChildProcess startChild(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "child_program");
    return ChildProcess::start(childProgramPath(), arguments);
}

inline std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

inline bool writeText(ChildProcess& child, std::string_view text) {
    return child.write(bytesOf(text));
}

// The text of a read of `size` bytes, or nothing when it did not read them all.
inline std::optional<std::string> readText(ChildProcess& child, std::size_t size,
                                           std::chrono::milliseconds limit = 10s) {
    std::string text(size, '\0');
    const auto buffer = std::span(reinterpret_cast<std::uint8_t*>(text.data()), size);
    if (child.read(buffer, limit) != ChildProcess::ReadOutcome::Read)
        return std::nullopt;
    return text;
}

// Everything the child writes until its output ends, one byte at a time, so that nothing is lost
// to the end.
inline std::string readUntilClosed(ChildProcess& child) {
    std::string text;
    std::uint8_t byte = 0;
    while (child.read(std::span(&byte, 1), 10s) == ChildProcess::ReadOutcome::Read)
        text += static_cast<char>(byte);
    return text;
}

// How the test program ends, on this system, in a mode that writes endingBytes bytes first.
inline constexpr int endingBytes = 10;
struct EndingCase {
    std::vector<std::string> arguments;
    ExitStatus status;
    const char* text;
};

inline void PrintTo(const EndingCase& ending, std::ostream* out) {
    for (const std::string& argument : ending.arguments)
        *out << argument << ' ';
    *out << "-> " << ending.text;
}

class ChildEndingTest : public ::testing::TestWithParam<EndingCase> {};

} // namespace zorva::platform
