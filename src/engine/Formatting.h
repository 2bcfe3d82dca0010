// The texts that every page, window and report shows for sizes, counts and
// file times, so that a figure reads the same everywhere. Separators, weekday
// and month names come from the default QLocale; units are binary (1 KB =
// 1024 bytes). File times are FILETIME values: 100 ns units since
// 1601-01-01 UTC.
#pragma once

#include <QString>

#include <cstdint>
#include <string_view>

// A name or path of raw bytes as text to show: bytes that are not UTF-8
// become replacement characters, so the text never leads back to the file.
QString DisplayText(std::string_view raw);

// "%.0n": the number with thousands separators.
QString FormatCount(std::int32_t n);
QString FormatCount64(std::int64_t n);
// Exact byte count with its unit word: "1 byte", "1,234,567 bytes".
QString FormatBytes(std::int64_t n);
// Size scaled to bytes, KB, MB or GB ("1.00 GB", "1,024 KB", "0 bytes").
QString FormatSize(std::int64_t n);
// FormatSize with a sign, for changes: "+1.50 MB", "-300 KB", "0 bytes".
QString FormatSignedSize(std::int64_t n);
// Like FormatSize without the GB step ("2,048.0 MB").
QString FormatSize32(std::int32_t n);
// `value` with exactly `decimals` decimals (0..9), rounded half away from
// zero, with the locale's separators. The other formatters are built on it.
QString FormatNumber(double value, int decimals);

// Local date, plus the time of day unless it is exactly midnight:
// "Tuesday, March 5, 2002" or "Tuesday, March 5, 2002 12:00:01 AM".
// Empty when the time cannot be represented in local time.
QString FormatFileTime(std::uint64_t fileTime);
// Local time packed as DOS date (high 16 bits) and DOS time (low 16 bits);
// 0 when the local time lies outside the DOS range 1980..2107.
std::uint32_t FileTimeToDosTime(std::uint64_t fileTime);
// True when no time is known.
bool IsZeroFileTime(std::uint64_t fileTime);

// Conversion between POSIX times and FILETIME. Times before 1601 become 0 and
// times past the FILETIME range the largest FILETIME.
std::uint64_t UnixToFileTime(std::int64_t sec, std::uint32_t nsec);
struct TUnixTime {
    std::int64_t Sec = 0;
    std::uint32_t Nsec = 0;
};
TUnixTime FileTimeToUnix(std::uint64_t fileTime);
