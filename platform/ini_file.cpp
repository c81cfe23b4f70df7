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
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
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

void IniFile::parse(std::string_view text) {
    for (std::string_view raw : splitLines(text)) {
        const std::string_view t = trimBlanks(raw);
        // The last "]" ends the name, so "[S]]" names "S]"; text after it is ignored.
        const auto close = t.rfind(']');
        if (t.starts_with('[') && close != std::string_view::npos) {
            Section section;
            section.header = std::string(raw);
            section.name = std::string(trimBlanks(t.substr(1, close - 1)));
            section.listed = !section.name.empty();
            if (section.listed)
                m_firstSection.try_emplace(foldCase(section.name), m_sections.size());
            m_sections.push_back(std::move(section));
        } else {
            addLine(m_sections.back(), std::string(raw));
        }
    }
}

IniFile::Line& IniFile::addLine(Section& section, std::string raw) {
    Line line;
    const std::string_view t = trimBlanks(raw);
    if (t.starts_with(';')) {
        line.kind = LineKind::Comment;
    } else if (const auto eq = t.find('='); eq != std::string_view::npos) {
        line.name = std::string(trimBlanks(t.substr(0, eq)));
        line.kind = line.name.empty() ? LineKind::Other : LineKind::Key;
    }
    line.raw = std::move(raw);
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
    std::string out;
    for (const Section& s : m_sections) {
        if (!s.header.empty())
            out.append(s.header).append("\r\n");
        for (const Line& line : s.lines)
            out.append(line.raw).append("\r\n");
    }
    return out;
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
