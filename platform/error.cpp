#include "platform/error.h"

namespace zorva::platform {

std::string formatMessage(std::string_view pattern, std::initializer_list<std::string_view> args) {
    std::string text;
    auto next = args.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's' &&
            next != args.end()) {
            text += *next++;
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

} // namespace zorva::platform
