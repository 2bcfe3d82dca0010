// The list's cells that are plain text of a number or a time, apart from the
// list model: reports of other lists use them without the model.
#include "models/SubfolderList.h"

#include "engine/Formatting.h"

#include <QDate>
#include <QLocale>
#include <QTime>

namespace {

// The locale's long time format without its time zone, which no list cell
// has room for ("h:mm:ss AP t" becomes "h:mm:ss AP").
QString LongTimeFormatOf(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    return out.simplified();
}

} // namespace

std::int64_t RoundedKB(std::int64_t bytes) {
    // Sizes are never negative; the floor division keeps the rule exact anyway.
    std::int64_t q = bytes / 1024;
    std::int64_t r = bytes % 1024;
    if (r < 0) {
        r += 1024;
        --q;
    }
    if (r > 512 || (r == 512 && (q & 1) != 0))
        ++q;
    return q;
}

QString KBCell(std::int64_t bytes) {
    return FormatCount64(RoundedKB(bytes)) + QStringLiteral(" KB");
}

QString ShareCell(std::int64_t value, std::int64_t parentValue) {
    const double share =
        parentValue == 0 ? 0.0
                         : static_cast<double>(value) * 100.0 / static_cast<double>(parentValue);
    return FormatNumber(share, 2) + QStringLiteral(" %");
}

QString DosDateTimeCell(std::uint32_t packed) {
    if (packed == 0)
        return {};
    const std::uint32_t d = packed >> 16;
    const std::uint32_t t = packed & 0xFFFF;
    const QDate date(1980 + static_cast<int>(d >> 9), static_cast<int>((d >> 5) & 15),
                     static_cast<int>(d & 31));
    const QTime time(static_cast<int>(t >> 11), static_cast<int>((t >> 5) & 63),
                     static_cast<int>(t & 31) * 2);
    if (!date.isValid() || !time.isValid())
        return {};
    const QLocale locale;
    const QString dateText = locale.toString(date, QLocale::ShortFormat);
    // Like the file times elsewhere, a time of exactly midnight shows the date alone.
    if (time == QTime(0, 0))
        return dateText;
    return dateText + QLatin1Char(' ') + locale.toString(time, LongTimeFormatOf(locale));
}
