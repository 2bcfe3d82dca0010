// libarchive's handles for the archive component (see ZipLibArchive.h).
#include "cleanup/ZipLibArchive.h"

#include "platform/FileAt.h"

namespace ZipLib {

TUtf8Locale::TUtf8Locale() {
    Locale = newlocale(LC_ALL_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (Locale)
        Previous = uselocale(Locale);
}

TUtf8Locale::~TUtf8Locale() {
    if (Locale) {
        uselocale(Previous);
        freelocale(Locale);
    }
}

TArchiveReader::TArchiveReader() : A(archive_read_new()) {}

TArchiveReader::~TArchiveReader() {
    // The archive first: it may still read from the descriptor as it ends.
    archive_read_free(A);
}

bool TArchiveReader::Open(const std::string& path, const std::string& password, int folderFd) {
    archive_read_support_format_zip(A);
    if (!password.empty())
        archive_read_add_passphrase(A, password.c_str());
    TResult<Platform::TFd> file = folderFd >= 0 ? Platform::OpenFileAt(folderFd, LeafOf(path))
                                                : Platform::OpenFilePathForReading(path);
    if (!file) {
        const int error = file.Failure().Errno;
        archive_set_error(A, error, "%s", Platform::ErrorText(error).c_str());
        return false;
    }
    File = std::move(*file);
    return archive_read_open_fd(A, File.Get(), Block) == ARCHIVE_OK;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string WhyNot(archive* a) {
    std::string why = archive_error_string(a) ? archive_error_string(a) : "unknown error";
    if (const int err = archive_errno(a); err > 0) {
        const std::string system = Platform::ErrorText(err);
        if (why.find(system) == std::string::npos)
            why += " (" + system + ")";
    }
    return why;
}

std::string ErrorOf(archive* a) {
    return archive_error_string(a) ? archive_error_string(a) : "";
}

std::string LeafOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace ZipLib
