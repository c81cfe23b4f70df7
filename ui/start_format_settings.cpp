#include "ui/start_format_settings.h"

#include "ui/format_settings_from_locale.h"

namespace zorva::ui {

StartFormatSettings startFormatSettings(const QLocale& system, bool userHasRegionalSettings) {
    if (userHasRegionalSettings)
        return {formatSettingsFromLocale(system), {}};
    const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    // The operator reads the time format without Qt's time-zone letter, which the settings
    // drop as well.
    QString time = turkish.timeFormat(QLocale::LongFormat);
    time.remove(QChar(u't'));
    const QString notice =
        QStringLiteral("Bölge ayarları bulunamadı; tarihler Türkçe (%1) ayarlarla okunuyor: "
                       "tarih %2, saat %3")
            .arg(turkish.name(), turkish.dateFormat(QLocale::ShortFormat), time.trimmed());
    return {formatSettingsFromLocale(turkish), notice.toStdString()};
}

} // namespace zorva::ui
