#include "ui/format_settings_from_locale.h"

#include "platform/ansi_text.h"

namespace zorva::ui {

namespace {

std::string ansi(const QString& text) {
    return platform::utf8ToAnsi(text.toStdString());
}

// The first character of a pattern that is neither a letter nor quoted: its separator.
char separatorOf(const QString& pattern, char fallback) {
    bool quoted = false;
    for (QChar c : pattern) {
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && !c.isLetter() && c != u' ')
            return ansi(QString(c)).front();
    }
    return fallback;
}

} // namespace

std::string pictureFromQtPattern(const QString& pattern) {
    std::string out;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i);
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern.at(i + run) == c)
            ++run;
        auto repeat = [&](char letter) {
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
            out += "\"" + ansi(literal) + "\"";
            i = run == 2 ? i + 2 : end + 1;
            continue;
        }
        if (c == u'd' || c == u'y' || c == u's' || c == u'z')
            out += repeat(static_cast<char>(c.unicode()));
        else if (c == u'M')
            out += repeat('m');
        else if (c == u'm')
            out += repeat('n');
        else if (c == u'h' || c == u'H')
            out += repeat('h');
        else if (c == u'a' || c == u'A')
            out += "ampm";
        else if (c == u'p' || c == u'P') {
            // the second letter of "AP"
        } else if (c == u't') {
            while (!out.empty() && out.back() == ' ')
                out.pop_back();
        } else if (c.isLetter())
            out += "\"" + ansi(QString(run, c)) + "\"";
        else
            out += ansi(QString(run, c));
        i += run;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

platform::FormatSettings formatSettingsFromLocale(const QLocale& locale) {
    platform::FormatSettings s;
    const QString date = locale.dateFormat(QLocale::ShortFormat);
    const QString time = locale.timeFormat(QLocale::LongFormat);
    s.shortDateFormat = pictureFromQtPattern(date);
    s.longTimeFormat = pictureFromQtPattern(time);
    s.dateSeparator = separatorOf(date, '/');
    s.timeSeparator = separatorOf(time, ':');
    s.decimalSeparator = ansi(locale.decimalPoint()).front();
    s.timeAmString = ansi(locale.amText());
    s.timePmString = ansi(locale.pmText());
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
