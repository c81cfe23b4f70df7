#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zorva::platform {

// One section as the section-values read gives it: its name and "key=value" lines.
struct IniSection {
    std::string name;
    std::vector<std::string> lines;
};

// A private-profile INI file, read and written by the rules of the Windows profile functions,
// as one document per access: opening parses the file once, writes change the document, and
// close() writes it out whole, through a temporary file renamed over the old one. Lines that
// no write touches keep their bytes. Section and key names are ANSI text compared without
// regard to letter case. A file that starts with a UTF-16 byte-order mark is read as UTF-16 in
// ANSI text and stays UTF-16, as the profile functions keep it. The destructor does not write:
// changes not closed are dropped.
class IniFile {
public:
    enum class Mode {
        Edit,    // starts from the file as it is
        Replace, // starts empty; close() leaves exactly what was written, or no file at all
    };

    static constexpr std::size_t maxValueLength = 2047;

    explicit IniFile(std::string path, Mode mode = Mode::Edit);

    const std::string& path() const { return m_path; }
    // True when the file exists but could not be read; reads then find nothing and close()
    // refuses to write, so that a file we could not see is never replaced.
    bool readFailed() const { return m_readFailed; }
    const std::string& readFailure() const { return m_readFailure; }

    // The value after the first "=", blanks trimmed and one pair of matching quotes removed,
    // cut to maxValueLength characters; the default when the section or key is missing.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // Section names in file order, duplicates included.
    std::vector<std::string> sectionNames() const;
    // Key names of the first section of that name, in file order.
    std::vector<std::string> keyNames(std::string_view section) const;
    // "key=value" for each key of the first section of that name, values read as readString.
    std::vector<std::string> sectionValues(std::string_view section) const;
    // Every section with its values, each on its own, whatever its size or its value lengths.
    std::vector<IniSection> readAllSections() const;

    // An empty value writes "key=". Names must not be empty.
    void writeString(std::string_view section, std::string_view key, std::string_view value);

    bool modified() const { return m_modified; }
    // The bytes the file would hold: CR LF line ends; ANSI text without a byte-order mark, or
    // UTF-16 after its mark when the file was read so.
    std::string text() const;
    // Writes the document when it changed (always in Replace mode). Raises platform::Error
    // "Unable to write to %s" when the file cannot be written; the old file is then unchanged.
    void close();

private:
    enum class Encoding { Ansi, Utf16LittleEndian, Utf16BigEndian };
    // A line of a UTF-16 file as the file held it, kept while no write changes the line, so
    // that characters the code page lacks are not lost from lines nobody wrote.
    using StoredLine = std::optional<std::u16string>;
    enum class LineKind { Other, Comment, Key };
    struct Line {
        std::string raw;
        StoredLine stored;
        LineKind kind = LineKind::Other;
        std::string name; // key name, trimmed
    };
    struct Section {
        std::string header; // raw header line; empty for the lines before the first header
        StoredLine storedHeader;
        std::string name;
        bool listed = false;
        std::vector<Line> lines;
    };

    void parse(std::string_view bytes);
    void parseLine(std::string raw, StoredLine stored);
    Line& addLine(Section& section, std::string raw, StoredLine stored = {});
    const Section* findSection(std::string_view name) const;
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    static std::size_t keyIndex(const Section& section, std::string_view key);
    static const Line* findKey(const Section& section, std::string_view key);
    static std::string valueOf(const Line& line);
    [[noreturn]] void refuseWrite() const;

    std::string m_path;
    Mode m_mode;
    Encoding m_encoding = Encoding::Ansi;
    bool m_readFailed = false;
    std::string m_readFailure;
    bool m_modified = false;
    std::vector<Section> m_sections;
    // First section of each name, by its case-folded name.
    std::unordered_map<std::string, std::size_t> m_firstSection;
};

} // namespace zorva::platform
