#include "ui/format_settings_from_locale.h"

#include "platform/ansi_text.h"

#include <optional>

namespace zorva::ui {

namespace {

// Bidirectional and other format marks (Arabic and Persian patterns carry them around their
// separators) are invisible, no front office sends them and the code page cannot hold them;
// kept, every one would be a '?' that no date text matches. Other spaces are plain ones in
// what a front office sends.
QString usable(const QString& text) {
    QString out;
    for (QChar c : text) {
        if (c.category() == QChar::Other_Format)
            continue;
        out += c.category() == QChar::Separator_Space ? QChar(u' ') : c;
    }
    return out;
}

// The text as ANSI bytes, or nothing when the code page cannot hold all of it: the
// conversion would put a '?' in its place.
std::optional<std::string> ansiExactly(const QString& text) {
    const std::string utf8 = text.toStdString();
    std::string ansi = platform::utf8ToAnsi(utf8);
    if (platform::ansiToUtf8(ansi) != utf8)
        return std::nullopt;
    return ansi;
}

std::string ansi(const QString& text) {
    return platform::utf8ToAnsi(usable(text).toStdString());
}

// The one ANSI character of the text, or the fallback when the code page cannot hold it.
char characterOr(const QString& text, char fallback) {
    const auto held = ansiExactly(usable(text));
    return held && held->size() == 1 ? held->front() : fallback;
}

// The first character of a pattern that is neither a letter nor quoted: its separator.
char separatorOf(const QString& pattern, char fallback) {
    bool quoted = false;
    for (QChar c : usable(pattern)) {
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && !c.isLetter() && c != u' ')
            return characterOr(QString(c), fallback);
    }
    return fallback;
}

// A designator the code page cannot hold would be "??" in every time written and never match
// one read; the English designator, which is always read, takes its place.
std::string designatorOr(const QString& text, const char* english) {
    const auto held = ansiExactly(usable(text).trimmed());
    return held && !held->empty() ? *held : english;
}

// Builds a picture from a Qt pattern's pieces. Literal text the code page cannot hold (the
// Japanese 時, the Korean 시, a Bulgarian "г.") is left out with what follows it up to the
// next field, and two fields it separated get the separator of their kind, so that a time
// still reads "14:00:00" and never "14?00?00?".
class PictureBuilder {
public:
    enum class Kind { date, time, other };

    void field(Kind kind, std::string letters) {
        if (m_leftOut && kind != Kind::other && kind == m_last) {
            trimSpaces();
            m_out += kind == Kind::time ? ':' : '/';
            if (letters == "n" || letters == "s")
                letters += letters;
        }
        m_leftOut = false;
        m_out += letters;
        m_last = kind;
    }

    void literal(const QString& text, bool quote) {
        if (m_leftOut)
            return;
        const auto held = ansiExactly(text);
        if (!held) {
            m_leftOut = true;
            return;
        }
        m_out += quote ? "\"" + *held + "\"" : *held;
    }

    // The time zone goes, with the spaces and a bracket before it.
    void timeZone() {
        trimSpaces();
        if (!m_out.empty() && (m_out.back() == '(' || m_out.back() == '[')) {
            m_closing = m_out.back() == '(' ? u')' : u']';
            m_out.pop_back();
            trimSpaces();
        }
    }

    // True when c closes the bracket that the time zone stood in.
    bool closesTimeZone(QChar c) {
        if (m_closing == 0 || c.unicode() != m_closing)
            return false;
        m_closing = 0;
        return true;
    }

    std::string picture() {
        trimSpaces();
        const auto first = m_out.find_first_not_of(' ');
        return first == std::string::npos ? std::string() : m_out.substr(first);
    }

private:
    void trimSpaces() {
        while (!m_out.empty() && m_out.back() == ' ')
            m_out.pop_back();
    }

    std::string m_out;
    Kind m_last = Kind::other;
    bool m_leftOut = false;
    char16_t m_closing = 0;
};

} // namespace

std::string pictureFromQtPattern(const QString& qtPattern) {
    using Kind = PictureBuilder::Kind;
    const QString pattern = usable(qtPattern);
    PictureBuilder out;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i);
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern.at(i + run) == c)
            ++run;
        const auto repeat = [&](char letter) {
            return std::string(static_cast<std::size_t>(run), letter);
        };
        if (c == u'\'') {
            // A quoted literal; '' inside stands for one quote.
            qsizetype end = i + 1;
            QString literal;
            while (end < pattern.size()) {
                if (pattern.at(end) == u'\'') {
                    if (end + 1 < pattern.size() && pattern.at(end + 1) == u'\'') {
                        literal += u'\'';
                        end += 2;
                        continue;
                    }
                    break;
                }
                literal += pattern.at(end++);
            }
            if (run == 2)
                literal = QStringLiteral("'");
            out.literal(literal, true);
            i = run == 2 ? i + 2 : end + 1;
            continue;
        }
        if (c == u'd' || c == u'y')
            out.field(Kind::date, repeat(static_cast<char>(c.unicode())));
        else if (c == u'M')
            out.field(Kind::date, repeat('m'));
        else if (c == u's' || c == u'z')
            out.field(Kind::time, repeat(static_cast<char>(c.unicode())));
        else if (c == u'm')
            out.field(Kind::time, repeat('n'));
        else if (c == u'h' || c == u'H')
            out.field(Kind::time, repeat('h'));
        else if (c == u'a' || c == u'A')
            out.field(Kind::other, "ampm");
        else if (c == u'p' || c == u'P') {
            // the second letter of "AP"
        } else if (c == u't')
            out.timeZone();
        else if (out.closesTimeZone(c)) {
            // the bracket after the time zone
        } else if (c.isLetter())
            out.literal(QString(run, c), true);
        else
            out.literal(QString(run, c), false);
        i += run;
    }
    return out.picture();
}

platform::FormatSettings formatSettingsFromLocale(const QLocale& locale) {
    const platform::FormatSettings defaults;
    platform::FormatSettings s;
    const QString date = locale.dateFormat(QLocale::ShortFormat);
    const QString time = locale.timeFormat(QLocale::LongFormat);
    s.shortDateFormat = pictureFromQtPattern(date);
    s.longTimeFormat = pictureFromQtPattern(time);
    s.dateSeparator = separatorOf(date, defaults.dateSeparator);
    s.timeSeparator = separatorOf(time, defaults.timeSeparator);
    s.decimalSeparator = characterOr(locale.decimalPoint(), defaults.decimalSeparator);
    s.timeAmString = designatorOr(locale.amText(), "AM");
    s.timePmString = designatorOr(locale.pmText(), "PM");
    for (int m = 1; m <= 12; ++m) {
        s.shortMonthNames[static_cast<std::size_t>(m - 1)] =
            ansi(locale.monthName(m, QLocale::ShortFormat));
        s.longMonthNames[static_cast<std::size_t>(m - 1)] =
            ansi(locale.monthName(m, QLocale::LongFormat));
    }
    for (int d = 0; d < 7; ++d) {
        const int qtDay = d == 0 ? 7 : d; // Qt counts from Monday, the formatter from Sunday
        s.shortDayNames[static_cast<std::size_t>(d)] =
            ansi(locale.dayName(qtDay, QLocale::ShortFormat));
        s.longDayNames[static_cast<std::size_t>(d)] =
            ansi(locale.dayName(qtDay, QLocale::LongFormat));
    }
    return s;
}

} // namespace zorva::ui
