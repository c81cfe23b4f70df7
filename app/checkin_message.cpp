#include "app/checkin_message.h"

#include "platform/ansi_text.h"

namespace zorva::app {

std::vector<std::string> splitMessageFields(std::string_view datagram) {
    datagram = datagram.substr(0, datagram.find('\0'));
    std::vector<std::string> fields;
    std::string current;
    bool open = false; // whether a field has begun since the last separator
    for (std::size_t i = 0; i < datagram.size(); ++i) {
        const char c = datagram[i];
        if (c == '^' || c == '\n' || c == '\r') {
            // "^" stands for CR LF, so a CR just before it ends the field and the "^" then
            // ends an empty one, as does an LF just after it.
            if (c == '\r' && i + 1 < datagram.size() && datagram[i + 1] == '\n')
                ++i;
            fields.push_back(std::move(current));
            current.clear();
            open = false;
        } else {
            current += c;
            open = true;
        }
    }
    if (open)
        fields.push_back(std::move(current));
    return fields;
}

namespace {

const std::string* findField(const std::vector<std::string>& fields, std::string_view name) {
    for (const auto& field : fields) {
        const auto equals = field.find('=');
        if (equals != std::string::npos &&
            platform::sameTextIgnoreCase(std::string_view(field).substr(0, equals), name))
            return &field;
    }
    return nullptr;
}

} // namespace

std::string messageValue(const std::vector<std::string>& fields, std::string_view name) {
    const std::string* field = findField(fields, name);
    return field ? field->substr(field->find('=') + 1) : std::string();
}

bool carriesField(const std::vector<std::string>& fields, std::string_view name) {
    return findField(fields, name) != nullptr;
}

} // namespace zorva::app
