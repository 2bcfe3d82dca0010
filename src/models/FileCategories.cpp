#include "models/FileCategories.h"

#include <QMimeDatabase>
#include <QMimeType>

#include <array>
#include <mutex>
#include <vector>

namespace {

bool StartsWithAny(const QString& name, std::initializer_list<const char*> prefixes) {
    for (const char* prefix : prefixes)
        if (name.startsWith(QLatin1String(prefix)))
            return true;
    return false;
}

bool IsAnyOf(const QString& name, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (name == QLatin1String(n))
            return true;
    return false;
}

TFileCategory CategoryOfOne(const QString& name) {
    if (name.startsWith(QLatin1String("image/")))
        return TFileCategory::Images;
    if (name.startsWith(QLatin1String("video/")))
        return TFileCategory::Video;
    if (name.startsWith(QLatin1String("audio/")))
        return TFileCategory::Audio;
    if (IsAnyOf(name, {"application/zip",
                       "application/x-tar",
                       "application/gzip",
                       "application/x-gzip",
                       "application/x-xz",
                       "application/x-bzip",
                       "application/x-bzip2",
                       "application/x-bzip2-compressed-tar",
                       "application/x-7z-compressed",
                       "application/vnd.rar",
                       "application/x-rar",
                       "application/zstd",
                       "application/x-zstd-compressed-tar",
                       "application/x-lzma",
                       "application/x-lz4",
                       "application/x-lzip",
                       "application/x-compress",
                       "application/x-compressed-tar",
                       "application/x-xz-compressed-tar",
                       "application/x-cpio",
                       "application/vnd.debian.binary-package",
                       "application/x-rpm",
                       "application/x-iso9660-image",
                       "application/x-cd-image",
                       "application/vnd.ms-cab-compressed",
                       "application/x-squashfs-image",
                       "application/x-java-archive",
                       "application/x-apple-diskimage",
                       "application/x-raw-disk-image",
                       "application/x-qemu-disk",
                       "application/vnd.efi.iso"}))
        return TFileCategory::Archives;
    if (IsAnyOf(name,
                {"application/x-executable", "application/x-sharedlib",
                 "application/x-pie-executable", "application/x-object", "application/x-archive",
                 "application/x-msdownload", "application/x-ms-dos-executable", "application/x-msi",
                 "application/vnd.microsoft.portable-executable", "application/x-python-bytecode",
                 "application/x-java", "application/x-mach-binary", "application/x-elf-executable",
                 "application/x-desktop", "application/vnd.appimage",
                 "application/x-iso9660-appimage", "application/x-sharedlib+elf",
                 "application/x-kernel-module"}))
        return TFileCategory::Programs;
    if (IsAnyOf(name, {"application/pdf",
                       "application/msword",
                       "application/rtf",
                       "application/epub+zip",
                       "application/postscript",
                       "application/x-tex",
                       "text/plain",
                       "text/html",
                       "text/markdown",
                       "text/csv",
                       "text/rtf",
                       "application/xhtml+xml",
                       "application/vnd.ms-excel",
                       "application/vnd.ms-powerpoint",
                       "application/x-mobipocket-ebook",
                       "text/x-tex",
                       "application/x-dvi",
                       "text/troff",
                       "application/x-troff-man",
                       "text/x-readme",
                       "text/x-log"}) ||
        StartsWithAny(name, {"application/vnd.oasis.opendocument.",
                             "application/vnd.openxmlformats-officedocument.",
                             "application/vnd.ms-word", "application/vnd.ms-excel",
                             "application/vnd.ms-powerpoint", "application/x-abiword"}))
        return TFileCategory::Documents;
    if (StartsWithAny(name,
                      {"text/x-", "text/javascript", "text/css", "text/rust", "text/x.gcode"}) ||
        IsAnyOf(name,
                {"application/javascript", "application/x-shellscript", "application/x-perl",
                 "application/x-php", "application/x-ruby", "application/json", "application/xml",
                 "application/x-yaml", "application/sql", "application/x-m4", "application/x-awk",
                 "application/x-csh", "application/toml", "application/typescript",
                 "application/x-wine-extension-ini", "application/x-ipynb+json",
                 "application/x-java-source", "text/vnd.qt.linguist"}))
        return TFileCategory::SourceCode;
    return TFileCategory::Other;
}

class TCategoryCache {
public:
    TFileCategory Of(TExtensionId id) {
        if (id == 0)
            return TFileCategory::Other;
        std::lock_guard lock(Lock);
        if (id >= Known.size())
            Known.resize(std::size_t{id} + 1, -1);
        if (Known[id] < 0) {
            const std::string_view ext = FileExtensionName(id);
            const QString probe = QStringLiteral("x.") +
                                  QString::fromUtf8(ext.data(), static_cast<qsizetype>(ext.size()));
            const QMimeType type = Database.mimeTypeForFile(probe, QMimeDatabase::MatchExtension);
            Known[id] = static_cast<int>(
                type.isDefault() ? TFileCategory::Other
                                 : FileCategoryOfMime(type.name(), type.allAncestors()));
        }
        return static_cast<TFileCategory>(Known[id]);
    }

private:
    std::mutex Lock;
    QMimeDatabase Database;
    std::vector<int> Known;
};

TCategoryCache& Cache() {
    static TCategoryCache cache;
    return cache;
}

} // namespace

QString FileCategoryName(TFileCategory category) {
    switch (category) {
    case TFileCategory::Images:
        return QStringLiteral("Images");
    case TFileCategory::Video:
        return QStringLiteral("Video");
    case TFileCategory::Audio:
        return QStringLiteral("Audio");
    case TFileCategory::Documents:
        return QStringLiteral("Documents");
    case TFileCategory::Archives:
        return QStringLiteral("Archives");
    case TFileCategory::Programs:
        return QStringLiteral("Programs and libraries");
    case TFileCategory::SourceCode:
        return QStringLiteral("Source code");
    case TFileCategory::Other:
        break;
    }
    return QStringLiteral("Other");
}

TFileCategory FileCategoryOf(TExtensionId extension) {
    return Cache().Of(extension);
}

TFileCategory FileCategoryOfMime(const QString& name, const QStringList& parents) {
    const TFileCategory own = CategoryOfOne(name);
    if (own != TFileCategory::Other)
        return own;
    // An unlisted type takes the kind of the nearest type it derives from
    // (a compressed tar is a gzip file) -- except plain text, which every
    // kind of source derives from too.
    for (const QString& parent : parents) {
        if (parent == QLatin1String("text/plain") || parent == QLatin1String("application/xml"))
            continue;
        const TFileCategory inherited = CategoryOfOne(parent);
        if (inherited != TFileCategory::Other)
            return inherited;
    }
    return TFileCategory::Other;
}
