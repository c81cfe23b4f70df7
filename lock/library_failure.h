#pragma once

#include <stdexcept>
#include <string>

namespace zorva::lock {

// A call that did not come back from the encoder's library: it took longer than its time limit,
// the process the library runs in ended or answered something else, or no such process could be
// started. Whether the library did what it was asked is unknown.
class LibraryFailure : public std::runtime_error {
public:
    enum class Kind {
        NoAnswer,    // the time limit passed
        Stopped,     // the process ended or answered something else; detail says how
        NotStarted,  // a new process could not be made ready; detail says what and why
        Interrupted, // the program is asked to end and stopped waiting
    };

    LibraryFailure(Kind kind, std::string detail)
        : std::runtime_error(detail), m_kind(kind), m_detail(std::move(detail)) {}

    Kind kind() const { return m_kind; }
    const std::string& detail() const { return m_detail; }

private:
    Kind m_kind;
    std::string m_detail;
};

} // namespace zorva::lock
