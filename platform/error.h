#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace zorva::platform {

// An unexpected failure, carrying the system's own message text in UTF-8. Caught at one guard
// per entry point; expected outcomes never travel this way.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replaces each "%s" of a message in turn by the next argument.
std::string formatMessage(std::string_view pattern, std::initializer_list<std::string_view> args);

} // namespace zorva::platform
