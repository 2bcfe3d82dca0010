// Number, size and date texts. Rounding is done on the decimal digits of the
// value (15 significant digits, as many as a double holds reliably), so that a
// value that reads as x.5 rounds up even when its binary form lies a hair
// below; halves go away from zero.
#include "engine/Formatting.h"

#include "platform/DirReader.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

constexpr std::uint64_t TicksPerSecond = 10000000;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t EpochDifference = 11644473600;

// Joins the integer digits in groups of three with the locale's separator.
QString GroupDigits(const std::string& digits, const QString& separator) {
    QString out;
    const std::size_t n = digits.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += separator;
        out += QLatin1Char(digits[i]);
    }
    return out;
}

QString Compose(bool negative, const std::string& integer, const std::string& fraction) {
    const QLocale locale;
    QString out;
    // A value that rounds to zero shows no sign.
    const bool allZero = integer.find_first_not_of('0') == std::string::npos &&
                         fraction.find_first_not_of('0') == std::string::npos;
    if (negative && !allZero)
        out += locale.negativeSign();
    out += GroupDigits(integer, locale.groupSeparator());
    if (!fraction.empty()) {
        out += locale.decimalPoint();
        out += QLatin1String(fraction.data(), static_cast<qsizetype>(fraction.size()));
    }
    return out;
}

// Exact, without a detour through double, so that large counts keep every digit.
QString FormatInteger(std::int64_t n) {
    const bool negative = n < 0;
    // Negating in unsigned arithmetic also copes with the smallest int64.
    std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(n) : n;
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    return Compose(negative, digits, {});
}

bool LocalTimeOf(std::uint64_t fileTime, std::tm& local, std::uint32_t& milliseconds) {
    const TUnixTime unix = FileTimeToUnix(fileTime);
    const std::time_t seconds = static_cast<std::time_t>(unix.Sec);
    if (static_cast<std::int64_t>(seconds) != unix.Sec)
        return false;
    if (!localtime_r(&seconds, &local))
        return false;
    milliseconds = unix.Nsec / 1000000;
    return true;
}

} // namespace

QString FormatNumber(double value, int decimals) {
    decimals = std::clamp(decimals, 0, 9);
    if (!std::isfinite(value))
        return QLocale().toString(value);

    char buf[48];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    // buf is "d.dddddddddddddde+XX": 15 significant digits and an exponent.
    std::string digits(1, buf[0]);
    const char* e = buf + 2;
    while (*e != 'e')
        digits += *e++;
    int pointPos = std::atoi(e + 1) + 1; // digits before the decimal point
    if (pointPos < 1) {
        digits.insert(0, static_cast<std::size_t>(1 - pointPos), '0');
        pointPos = 1;
    }
    const std::size_t keep = static_cast<std::size_t>(pointPos + decimals);
    if (digits.size() < keep)
        digits.append(keep - digits.size(), '0');
    const bool roundUp = digits.size() > keep && digits[keep] >= '5';
    digits.resize(keep);
    if (roundUp) {
        std::size_t i = keep;
        while (i > 0 && digits[i - 1] == '9')
            digits[--i] = '0';
        if (i == 0) {
            digits.insert(0, 1, '1');
            ++pointPos;
        } else {
            ++digits[i - 1];
        }
    }
    std::string integer = digits.substr(0, static_cast<std::size_t>(pointPos));
    const std::size_t firstNonZero = integer.find_first_not_of('0');
    integer = firstNonZero == std::string::npos ? "0" : integer.substr(firstNonZero);
    return Compose(value < 0, integer, digits.substr(static_cast<std::size_t>(pointPos)));
}

QString FormatCount(std::int32_t n) {
    return FormatInteger(n);
}

QString FormatCount64(std::int64_t n) {
    return FormatInteger(n);
}

QString FormatBytes(std::int64_t n) {
    return FormatInteger(n) + (n == 1 ? QStringLiteral(" byte") : QStringLiteral(" bytes"));
}

// The unit is chosen from the unrounded value, so 1048575 reads "1,024 KB".
QString FormatSize(std::int64_t n) {
    const double v = static_cast<double>(n);
    if (v / 1048576 >= 1024)
        return FormatNumber(v / 1048576 / 1024, 2) + QStringLiteral(" GB");
    if (v / 1024 >= 1024)
        return FormatNumber(v / 1024 / 1024, 1) + QStringLiteral(" MB");
    if (v > 1024)
        return FormatNumber(v / 1024, 0) + QStringLiteral(" KB");
    return FormatInteger(n) + QStringLiteral(" bytes");
}

QString FormatSignedSize(std::int64_t n) {
    const QString size = FormatSize(n < 0 ? -n : n);
    return n > 0 ? QStringLiteral("+") + size : n < 0 ? QStringLiteral("-") + size : size;
}

QString FormatSize32(std::int32_t n) {
    const double v = n;
    if (v / 1024 >= 1024)
        return FormatNumber(v / 1024 / 1024, 1) + QStringLiteral(" MB");
    if (v > 1024)
        return FormatNumber(v / 1024, 0) + QStringLiteral(" KB");
    return FormatInteger(n) + QStringLiteral(" bytes");
}

QString FormatFileTime(std::uint64_t fileTime) {
    std::tm local{};
    std::uint32_t ms = 0;
    if (!LocalTimeOf(fileTime, local, ms))
        return {};
    const QLocale locale;
    const int weekday = local.tm_wday == 0 ? 7 : local.tm_wday; // QLocale: Monday = 1
    char date[32];
    std::snprintf(date, sizeof date, " %d, %04d", local.tm_mday, local.tm_year + 1900);
    QString text = locale.dayName(weekday, QLocale::LongFormat) + QStringLiteral(", ") +
                   locale.monthName(local.tm_mon + 1, QLocale::LongFormat) + QLatin1String(date);
    if (local.tm_hour == 0 && local.tm_min == 0 && local.tm_sec == 0 && ms == 0)
        return text;
    const int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    char time[32];
    std::snprintf(time, sizeof time, " %02d:%02d:%02d %s", hour12, local.tm_min, local.tm_sec,
                  local.tm_hour < 12 ? "AM" : "PM");
    return text + QLatin1String(time);
}

std::uint32_t FileTimeToDosTime(std::uint64_t fileTime) {
    std::tm local{};
    std::uint32_t ms = 0;
    if (!LocalTimeOf(fileTime, local, ms))
        return 0;
    const int year = local.tm_year + 1900;
    if (year < 1980 || year > 2107)
        return 0;
    const std::uint32_t date = static_cast<std::uint32_t>(
        ((year - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
    const std::uint32_t time = static_cast<std::uint32_t>((local.tm_hour << 11) |
                                                          (local.tm_min << 5) | (local.tm_sec / 2));
    return (date << 16) | time;
}

QString DisplayText(std::string_view raw) {
    return QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()));
}

bool IsZeroFileTime(std::uint64_t fileTime) {
    return fileTime == 0;
}

std::uint64_t UnixToFileTime(std::int64_t sec, std::uint32_t nsec) {
    return Platform::UnixTimeToFileTime(sec, nsec);
}

TUnixTime FileTimeToUnix(std::uint64_t fileTime) {
    TUnixTime t;
    t.Sec = static_cast<std::int64_t>(fileTime / TicksPerSecond) - EpochDifference;
    t.Nsec = static_cast<std::uint32_t>(fileTime % TicksPerSecond) * 100;
    return t;
}
