#include "platform/ini_file.h"

#include "platform/ansi_text.h"
#include "platform/error.h"
#include "platform/file_system.h"

#include <stdexcept>

namespace zorva::platform {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string foldCase(std::string_view s) {
    std::string folded(s);
    for (char& c : folded)
        c = ansiLower(c);
    return folded;
}

// A line break inside a name or value would split its line and change the file's structure;
// it is written as a blank instead.
std::string withoutLineBreaks(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\r' || c == '\n')
            c = ' ';
    return out;
}

// CR LF, LF and a lone CR each end a line; a final line needs no line end.
template <class Char>
std::vector<std::basic_string_view<Char>> splitLines(std::basic_string_view<Char> text) {
    std::vector<std::basic_string_view<Char>> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

// The profile functions take a file for UTF-16 by its byte-order mark alone. Windows does not
// know the UTF-8 mark: it stays part of the first line.
constexpr std::string_view utf16LittleEndianMark = "\xFF\xFE";
constexpr std::string_view utf16BigEndianMark = "\xFE\xFF";

std::u16string fromUtf16Bytes(std::string_view bytes, bool bigEndian) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    // An odd last byte is half a character, and no character at all.
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        text += static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
    }
    return text;
}

std::string toUtf16Bytes(std::u16string_view text, bool bigEndian) {
    std::string bytes;
    bytes.reserve(2 * text.size());
    for (const char16_t c : text) {
        const auto high = static_cast<char>(c >> 8);
        const auto low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

} // namespace

IniFile::IniFile(std::string path, Mode mode) : m_path(std::move(path)), m_mode(mode) {
    m_sections.emplace_back();
    if (mode == Mode::Replace)
        return;
    std::string contents;
    switch (readWholeFile(m_path, contents, m_readFailure)) {
    case ReadOutcome::Read:
        parse(contents);
        break;
    case ReadOutcome::Missing:
        break;
    case ReadOutcome::Failed:
        m_readFailed = true;
        break;
    }
}

void IniFile::parse(std::string_view bytes) {
    const bool bigEndian = bytes.starts_with(utf16BigEndianMark);
    if (!bigEndian && !bytes.starts_with(utf16LittleEndianMark)) {
        for (std::string_view raw : splitLines(bytes))
            parseLine(std::string(raw), {});
        return;
    }
    m_encoding = bigEndian ? Encoding::Utf16BigEndian : Encoding::Utf16LittleEndian;
    const std::u16string text = fromUtf16Bytes(bytes.substr(2), bigEndian);
    for (std::u16string_view stored : splitLines(std::u16string_view(text)))
        parseLine(utf16ToAnsi(stored), std::u16string(stored));
}

void IniFile::parseLine(std::string raw, StoredLine stored) {
    const std::string_view t = trimBlanks(raw);
    // The last "]" ends the name, so "[S]]" names "S]"; text after it is ignored.
    const auto close = t.rfind(']');
    if (!t.starts_with('[') || close == std::string_view::npos) {
        addLine(m_sections.back(), std::move(raw), std::move(stored));
        return;
    }
    Section section;
    section.name = std::string(trimBlanks(t.substr(1, close - 1)));
    section.header = std::move(raw);
    section.storedHeader = std::move(stored);
    section.listed = !section.name.empty();
    if (section.listed)
        m_firstSection.try_emplace(foldCase(section.name), m_sections.size());
    m_sections.push_back(std::move(section));
}

IniFile::Line& IniFile::addLine(Section& section, std::string raw, StoredLine stored) {
    Line line;
    const std::string_view t = trimBlanks(raw);
    if (t.starts_with(';')) {
        line.kind = LineKind::Comment;
    } else if (const auto eq = t.find('='); eq != std::string_view::npos) {
        line.name = std::string(trimBlanks(t.substr(0, eq)));
        line.kind = line.name.empty() ? LineKind::Other : LineKind::Key;
    }
    line.raw = std::move(raw);
    line.stored = std::move(stored);
    section.lines.push_back(std::move(line));
    return section.lines.back();
}

const IniFile::Section* IniFile::findSection(std::string_view name) const {
    name = trimBlanks(name);
    if (name.empty())
        return nullptr;
    const auto it = m_firstSection.find(foldCase(name));
    return it == m_firstSection.end() ? nullptr : &m_sections[it->second];
}

std::size_t IniFile::keyIndex(const Section& section, std::string_view key) {
    key = trimBlanks(key);
    for (std::size_t i = 0; !key.empty() && i < section.lines.size(); ++i) {
        const Line& line = section.lines[i];
        if (line.kind == LineKind::Key && sameTextIgnoreCase(line.name, key))
            return i;
    }
    return npos;
}

const IniFile::Line* IniFile::findKey(const Section& section, std::string_view key) {
    const std::size_t i = keyIndex(section, key);
    return i == npos ? nullptr : &section.lines[i];
}

std::string IniFile::valueOf(const Line& line) {
    std::string_view value = trimBlanks(std::string_view(line.raw).substr(line.raw.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    const Section* s = findSection(section);
    const Line* line = s ? findKey(*s, key) : nullptr;
    if (!line) {
        // The profile functions drop trailing blanks of the default.
        while (!defaultValue.empty() && isBlank(defaultValue.back()))
            defaultValue.remove_suffix(1);
        return std::string(defaultValue.substr(0, maxValueLength));
    }
    std::string value = valueOf(*line);
    if (value.size() > maxValueLength)
        value.resize(maxValueLength);
    return value;
}

std::vector<std::string> IniFile::sectionNames() const {
    std::vector<std::string> names;
    for (const Section& s : m_sections)
        if (s.listed)
            names.push_back(s.name);
    return names;
}

std::vector<std::string> IniFile::keyNames(std::string_view section) const {
    std::vector<std::string> names;
    if (const Section* s = findSection(section))
        for (const Line& line : s->lines)
            if (line.kind == LineKind::Key)
                names.push_back(line.name);
    return names;
}

std::vector<std::string> IniFile::sectionValues(std::string_view section) const {
    std::vector<std::string> lines;
    for (const std::string& key : keyNames(section))
        lines.push_back(key + "=" + readString(section, key, {}));
    return lines;
}

std::vector<IniSection> IniFile::readAllSections() const {
    std::vector<IniSection> sections;
    for (const Section& s : m_sections) {
        if (!s.listed)
            continue;
        IniSection& out = sections.emplace_back(IniSection{s.name, {}});
        // Within a section the first of two equal keys counts, as it does for a single read.
        for (const Line& line : s.lines)
            if (line.kind == LineKind::Key)
                out.lines.push_back(line.name + "=" + valueOf(*findKey(s, line.name)));
    }
    return sections;
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    const std::string sectionName = withoutLineBreaks(trimBlanks(section));
    const std::string keyName = withoutLineBreaks(trimBlanks(key));
    if (sectionName.empty() || keyName.empty())
        throw std::invalid_argument("INI section and key names must not be empty");
    const std::string text = withoutLineBreaks(value);

    const auto found = m_firstSection.find(foldCase(sectionName));
    if (found == m_firstSection.end()) {
        // A new section goes at the end of the file, without a blank line before it.
        m_firstSection.emplace(foldCase(sectionName), m_sections.size());
        Section& s = m_sections.emplace_back();
        s.header = "[" + sectionName + "]";
        s.name = sectionName;
        s.listed = true;
        addLine(s, keyName + "=" + text);
        m_modified = true;
        return;
    }

    Section& s = m_sections[found->second];
    if (const std::size_t i = keyIndex(s, keyName); i != npos) {
        Line& line = s.lines[i];
        // A write that would read back the same leaves the line's bytes alone.
        if (trimBlanks(std::string_view(line.raw).substr(line.raw.find('=') + 1)) ==
            trimBlanks(text))
            return;
        // The spelling already in the file stays.
        line.raw = line.name + "=" + text;
        line.stored.reset();
        m_modified = true;
        return;
    }

    // A new key is the section's last line, ahead of the blank lines that part it from the next.
    std::size_t at = s.lines.size();
    while (at > 0 && trimBlanks(s.lines[at - 1].raw).empty())
        --at;
    Section scratch;
    Line& line = addLine(scratch, keyName + "=" + text);
    s.lines.insert(s.lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    m_modified = true;
}

std::string IniFile::text() const {
    std::string ansi;
    std::u16string utf16;
    const auto append = [&](const std::string& raw, const StoredLine& stored) {
        if (m_encoding == Encoding::Ansi)
            ansi.append(raw).append("\r\n");
        else
            utf16.append(stored ? *stored : ansiToUtf16(raw)).append(u"\r\n");
    };
    for (const Section& s : m_sections) {
        if (!s.header.empty())
            append(s.header, s.storedHeader);
        for (const Line& line : s.lines)
            append(line.raw, line.stored);
    }
    switch (m_encoding) {
    case Encoding::Ansi:
        return ansi;
    case Encoding::Utf16LittleEndian:
        return std::string(utf16LittleEndianMark) + toUtf16Bytes(utf16, false);
    case Encoding::Utf16BigEndian:
        return std::string(utf16BigEndianMark) + toUtf16Bytes(utf16, true);
    }
    return ansi;
}

void IniFile::refuseWrite() const {
    throw Error(formatMessage("Unable to write to %s", {m_path}));
}

void IniFile::close() {
    if (m_mode == Mode::Replace) {
        const bool empty = m_sections.size() == 1 && m_sections.front().lines.empty();
        if (empty ? !removeFile(m_path) : !replaceFileAtomically(m_path, text()))
            refuseWrite();
        m_modified = false;
        return;
    }
    if (!m_modified)
        return;
    if (m_readFailed || !replaceFileAtomically(m_path, text()))
        refuseWrite();
    m_modified = false;
}

} // namespace zorva::platform
