// The file-manager entry's files: where each file manager looks for them,
// what they say, and writing and removing them.
#include "shell/FileManagerEntry.h"

#include "platform/FileOps.h"
#include "platform/UserFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace {

const QString Caption = QStringLiteral("Analyze with Quillmere");
const QString Comment = QStringLiteral("Shows how the space below this folder is used");
// A theme icon that every desktop has, so the item never shows a blank.
const QString Icon = QStringLiteral("drive-harddisk");

QString DolphinFile() {
    return UserDataFolder() + QStringLiteral("/kio/servicemenus/quillmere-analyze.desktop");
}

// Inside double quotes the desktop entry rules (and GLib's shell parser,
// which Caja, PCManFM and Nemo use) take a backslash before these as the
// character itself.
QString DoubleQuoted(const QString& text) {
    QString quoted = QStringLiteral("\"");
    for (QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

// The escapes of a key file's values, which are undone before the Exec line
// is parsed.
QString KeyFileValue(const QString& text) {
    QString value;
    for (QChar c : text) {
        if (c == QLatin1Char('\\'))
            value += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            value += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            value += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            value += QStringLiteral("\\r");
        else
            value += c;
    }
    return value;
}

// For sh: single quotes, each single quote inside closed, escaped, reopened.
QString ShellQuoted(const QString& text) {
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString ErrnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

std::optional<TEntryFailure> WriteEntryFile(const TEntryFile& file) {
    const QString folder = QFileInfo(file.Path).absolutePath();
    if (!Platform::MakeFolders(QFile::encodeName(folder).toStdString(), 0777))
        return TEntryFailure{folder, ErrnoText(errno)};
    // Dolphin runs a service menu of the user's own folder only when it is
    // executable; Nautilus lists a script only then.
    const unsigned mode = file.Executable ? 0755 : 0644;
    const TStatus written = Platform::WriteWholeFile(QFile::encodeName(file.Path).toStdString(),
                                                     file.Content.toStdString(), mode);
    if (!written)
        return TEntryFailure{file.Path, ErrnoText(written.Failure().Errno)};
    return std::nullopt;
}

} // namespace

QString UserDataFolder() {
    const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return QDir::cleanPath(configured);
    return QDir::homePath() + QStringLiteral("/.local/share");
}

QString DesktopExecProgram(const QString& program) {
    QString exec = DoubleQuoted(program);
    exec.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return KeyFileValue(exec);
}

std::vector<TEntryFile> FileManagerEntryFiles(const QString& program) {
    const QString data = UserDataFolder();
    const QString exec = DesktopExecProgram(program);
    std::vector<TEntryFile> files;

    // Caja and PCManFM: one profile, for a single folder.
    files.push_back({data + QStringLiteral("/file-manager/actions/quillmere-analyze.desktop"),
                     QStringLiteral("[Desktop Entry]\n"
                                    "Type=Action\n"
                                    "Name=%1\n"
                                    "Tooltip=%2\n"
                                    "Icon=%3\n"
                                    "Profiles=folder;\n"
                                    "\n"
                                    "[X-Action-Profile folder]\n"
                                    "Name=%1\n"
                                    "MimeTypes=inode/directory;\n"
                                    "SelectionCount==1\n"
                                    "Exec=%4 %f\n")
                         .arg(Caption, Comment, Icon, exec)
                         .toUtf8(),
                     false});

    // Nemo puts the path in double quotes with its own quotes escaped, the
    // way its shell parser reads them back.
    files.push_back({data + QStringLiteral("/nemo/actions/quillmere-analyze.nemo_action"),
                     QStringLiteral("[Nemo Action]\n"
                                    "Name=%1\n"
                                    "Comment=%2\n"
                                    "Icon-Name=%3\n"
                                    "Exec=%4 %F\n"
                                    "Selection=s\n"
                                    "Extensions=dir;\n"
                                    "Quote=double\n")
                         .arg(Caption, Comment, Icon, exec)
                         .toUtf8(),
                     false});

    // Nautilus runs a script in the folder shown with the selected names as
    // arguments; with nothing selected the folder shown is the one meant.
    files.push_back({data + QStringLiteral("/nautilus/scripts/") + Caption,
                     QStringLiteral("#!/bin/sh\n"
                                    "# %1: written by Quillmere's Options dialog, which also "
                                    "removes it.\n"
                                    "[ $# -eq 0 ] && set -- \"$PWD\"\n"
                                    "exec %2 \"$@\"\n")
                         .arg(Caption, ShellQuoted(program))
                         .toUtf8(),
                     true});

    files.push_back({DolphinFile(),
                     QStringLiteral("[Desktop Entry]\n"
                                    "Type=Service\n"
                                    "X-KDE-ServiceTypes=KonqPopupMenu/Plugin\n"
                                    "MimeType=inode/directory;\n"
                                    "Actions=analyzeWithQuillmere;\n"
                                    "X-KDE-Priority=TopLevel\n"
                                    "\n"
                                    "[Desktop Action analyzeWithQuillmere]\n"
                                    "Name=%1\n"
                                    "Icon=%2\n"
                                    "Exec=%3 %f\n")
                         .arg(Caption, Icon, exec)
                         .toUtf8(),
                     true});
    return files;
}

QString FileManagerEntryMark() {
    return DolphinFile();
}

bool FileManagerEntryPresent() {
    return QFileInfo::exists(DolphinFile());
}

std::optional<TEntryFailure> InstallFileManagerEntry(const QString& program) {
    // A new entry that could not be written whole is taken away again, so
    // no file manager offers it while the dialog says it is not there. One
    // that was there before stays: it still works.
    const bool present = FileManagerEntryPresent();
    for (const TEntryFile& file : FileManagerEntryFiles(program)) {
        if (auto failure = WriteEntryFile(file)) {
            if (!present)
                RemoveFileManagerEntry();
            return failure;
        }
    }
    return std::nullopt;
}

std::optional<TEntryFailure> RemoveFileManagerEntry() {
    // The mark goes last, so an entry that could not be removed entirely
    // still shows as present and the user can try again.
    for (const TEntryFile& file : FileManagerEntryFiles(QString())) {
        const TStatus removed = Platform::RemoveFile(QFile::encodeName(file.Path).toStdString());
        if (!removed) {
            const int error = removed.Failure().Errno;
            if (error != ENOENT && error != ENOTDIR)
                return TEntryFailure{file.Path, ErrnoText(error)};
        }
    }
    return std::nullopt;
}
