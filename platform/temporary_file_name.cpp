#include "platform/temporary_file_name.h"

#include "platform/process_status.h"

#include <atomic>
#include <charconv>
#include <optional>

namespace zorva::platform {

namespace {

std::atomic<unsigned> counter{0};
std::atomic<int> beingWritten{0};

// A number as std::to_string writes it: digits only, no leading zero.
std::optional<unsigned long> numberOf(std::string_view digits) {
    if (digits.empty() || (digits.size() > 1 && digits.front() == '0'))
        return std::nullopt;
    unsigned long value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

} // namespace

TemporaryFileName::TemporaryFileName(std::string path) : m_file(std::move(path)) {
    ++beingWritten;
    next();
}

TemporaryFileName::~TemporaryFileName() {
    --beingWritten;
}

void TemporaryFileName::next() {
    m_path = m_file + "." + std::to_string(currentProcessId()) + "." + std::to_string(counter++) +
             ".tmp";
}

bool TemporaryFileName::isLeftover(std::string_view entry, std::string_view fileName) {
    constexpr std::string_view suffix = ".tmp";
    if (entry.size() <= fileName.size() + 1 + suffix.size() || !entry.starts_with(fileName) ||
        entry[fileName.size()] != '.' || !entry.ends_with(suffix))
        return false;
    const std::string_view numbers =
        entry.substr(fileName.size() + 1, entry.size() - fileName.size() - 1 - suffix.size());
    const auto dot = numbers.find('.');
    if (dot == std::string_view::npos)
        return false;
    const auto owner = numberOf(numbers.substr(0, dot));
    if (!owner || !numberOf(numbers.substr(dot + 1)))
        return false;
    // Ours, while we write none, are from an earlier process that had our id.
    if (*owner == currentProcessId())
        return beingWritten == 0;
    return !processRunning(*owner);
}

} // namespace zorva::platform
