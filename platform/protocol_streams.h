#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace zorva::platform {

// The standard input and output of a program that speaks a binary protocol over them, taken out
// of the hands of the code it runs: afterwards what that code writes to standard output goes to
// standard error, and its standard input is empty, so that a library that prints or reads
// cannot corrupt the protocol. Call once, before loading such code.
class ProtocolStreams {
public:
    static ProtocolStreams takeOver();

    // Reads exactly buffer.size() bytes; false when the input ends first (or fails). Takes in
    // what has come, so that a request's parts cost one system call, not one each.
    bool read(std::span<std::uint8_t> buffer);
    // Writes every byte; false when the reader has gone.
    bool write(std::span<const std::uint8_t> bytes);

private:
    ProtocolStreams(std::intptr_t in, std::intptr_t out) : m_in(in), m_out(out) {}
    // Whatever the system gives at once, up to the buffer's size; 0 at the end of input.
    std::size_t readSome(std::span<std::uint8_t> into);

    std::intptr_t m_in;
    std::intptr_t m_out;
    std::array<std::uint8_t, 4096> m_buffer{};
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
};

} // namespace zorva::platform
