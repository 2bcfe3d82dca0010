// The archive component's common part: how it fails, which names it stores
// as UTF-8 and which it refuses, and the listing of an archive. Its jobs
// live beside it: ZipAdd.cpp writes, ZipCheck.cpp reads back, ZipRemove.cpp
// takes away what was archived, ZipExtract.cpp restores.
#include "cleanup/ZipMaster.h"

#include "cleanup/ZipLibArchive.h"

using ZipLib::Quoted;

TFailure TZipMaster::Fail(TZipError kind, const std::string& message, int error) {
    Kind = kind;
    if (OnMessage)
        OnMessage(kind, message);
    return TFailure{error, {}, message};
}

bool IsUtf8(const std::string& text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = s[i];
        std::size_t length = c < 0x80         ? 1
                             : (c >> 5) == 6  ? 2
                             : (c >> 4) == 14 ? 3
                             : (c >> 3) == 30 ? 4
                                              : 0;
        if (length == 0 || i + length > n)
            return false;
        std::uint32_t code = length == 1 ? c : c & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            if ((s[i + k] >> 6) != 2)
                return false;
            code = (code << 6) | (s[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past Unicode are not UTF-8.
        if ((length == 2 && code < 0x80) || (length == 3 && code < 0x800) ||
            (length == 4 && code < 0x10000) || code > 0x10FFFF ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

std::string ArchiveNameRefusal(const std::string& name, const std::string& topFolder) {
    if (name.empty())
        return "an empty name";
    if (name[0] == '/')
        return "an absolute name";
    for (std::size_t pos = 0; pos <= name.size();) {
        std::size_t end = name.find('/', pos);
        if (end == std::string::npos)
            end = name.size();
        if (name.compare(pos, end - pos, "..") == 0 && end - pos == 2)
            return "\"..\" in its name";
        pos = end + 1;
    }
    // libarchive takes a name without "/" for a Windows one and reads its
    // backslashes as separators, so such a name would not come back as it is.
    if (name.find('/') == std::string::npos && name.find('\\') != std::string::npos)
        return "a backslash in a name outside any folder";
    if (!topFolder.empty() && (name.compare(0, topFolder.size(), topFolder) != 0 ||
                               name.size() <= topFolder.size() || name[topFolder.size()] != '/'))
        return "it lies outside the archived folder " + Quoted(topFolder);
    return {};
}

TStatus TZipMaster::OpenArchive(ZipLib::TArchiveReader& reader) {
    if (reader.Open(ZipFileName, Password, ArchiveFolderFd))
        return {};
    return Fail(ZipReadFailed,
                "The archive " + Quoted(ZipFileName) +
                    " cannot be read: " + ZipLib::ErrorOf(reader.A),
                archive_errno(reader.A));
}

TResult<std::vector<TZipEntry>> TZipMaster::LoadEntries() {
    ZipLib::TUtf8Locale locale;
    Kind = ZipOk;
    ZipLib::TArchiveReader reader;
    archive* a = reader.A;
    if (TStatus opened = OpenArchive(reader); !opened)
        return opened.Failure();
    std::vector<TZipEntry> entries;
    archive_entry* entry = nullptr;
    int r;
    while ((r = archive_read_next_header(a, &entry)) == ARCHIVE_OK || r == ARCHIVE_WARN) {
        const char* name = archive_entry_pathname(entry);
        entries.push_back(
            {name ? name : "", archive_entry_size(entry), archive_entry_is_encrypted(entry) != 0});
    }
    if (r != ARCHIVE_EOF)
        return Fail(ZipReadFailed,
                    "The archive " + Quoted(ZipFileName) + " cannot be read: " + ZipLib::ErrorOf(a),
                    archive_errno(a));
    return entries;
}
