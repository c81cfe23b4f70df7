#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zorva::testing {

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDirectory {
public:
    TempDirectory() {
        static std::atomic<unsigned> counter{0};
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const auto name =
                "zorva-test-" + std::to_string(random()) + "-" + std::to_string(counter++);
            const auto candidate = std::filesystem::temp_directory_path() / name;
            // False, without an error, when the name is taken already.
            if (std::filesystem::create_directory(candidate)) {
                m_path = candidate;
                return;
            }
        }
        throw std::runtime_error("cannot create a temporary directory");
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    ~TempDirectory() {
        // Whatever a test made read-only must be writable again to be removed (on Windows a
        // read-only file cannot be deleted).
        std::error_code ec;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_path, ec);
    }

    const std::filesystem::path& path() const { return m_path; }
    std::string file(std::string_view name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

// The bytes of a file that a text editor saved as "Unicode", or as "Unicode big endian".
inline std::string utf16File(std::u16string_view text, bool bigEndian = false) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t c : text) {
        const auto high = static_cast<char>(c >> 8);
        const auto low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

inline std::vector<std::string> entryNames(const std::filesystem::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    return names;
}

inline std::size_t entryCount(const std::filesystem::path& directory) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(directory),
                                                  std::filesystem::directory_iterator()));
}

} // namespace zorva::testing
