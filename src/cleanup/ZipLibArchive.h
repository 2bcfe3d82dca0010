// libarchive as the archive component uses it: the locale its names need,
// an archive opened for reading through the platform layer, and its words
// for a failure. Shared by the component's parts, not by its users.
#pragma once

#include "platform/DirReader.h"
#include "platform/Result.h"

#include <archive.h>
#include <archive_entry.h>

#include <clocale>
#include <cstddef>
#include <cstdint>
#include <locale.h>
#include <string>

namespace ZipLib {

inline constexpr std::size_t Block = 64 * 1024;
inline constexpr std::int64_t ProgressStep = 32 * 1024;

// libarchive converts names through the thread's locale. Under UTF-8 it
// marks non-ASCII names as UTF-8 and hands raw bytes back on reading; the
// process's own locale (whatever the user runs) must not change that.
class TUtf8Locale {
public:
    TUtf8Locale();
    ~TUtf8Locale();
    TUtf8Locale(const TUtf8Locale&) = delete;
    TUtf8Locale& operator=(const TUtf8Locale&) = delete;

private:
    locale_t Locale = static_cast<locale_t>(0);
    locale_t Previous = static_cast<locale_t>(0);
};

// A ZIP archive opened for reading, with the password where one is given.
// With folderFd >= 0 the archive is the entry `path` names last in that
// folder, opened without following a link. On failure, libarchive's error
// says why.
class TArchiveReader {
public:
    TArchiveReader();
    ~TArchiveReader();
    TArchiveReader(const TArchiveReader&) = delete;
    TArchiveReader& operator=(const TArchiveReader&) = delete;
    bool Open(const std::string& path, const std::string& password, int folderFd = -1);
    archive* A;

private:
    // libarchive reads from this descriptor and never closes it.
    Platform::TFd File;
};

class TArchiveWriter {
public:
    TArchiveWriter() : A(archive_write_new()) {}
    ~TArchiveWriter() { archive_write_free(A); }
    TArchiveWriter(const TArchiveWriter&) = delete;
    TArchiveWriter& operator=(const TArchiveWriter&) = delete;
    archive* A;
};

std::string Quoted(const std::string& text);
// libarchive's words, and the system's where it has them ("No space left
// on device" says more than "Write error").
std::string WhyNot(archive* a);
// libarchive's words alone ("" when it has none).
std::string ErrorOf(archive* a);
std::string LeafOf(const std::string& path);

} // namespace ZipLib
