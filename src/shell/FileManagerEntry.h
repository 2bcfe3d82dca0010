// "Analyze with Quillmere" in the context menu of a folder in the desktop's
// file managers, for this user only: a Dolphin service menu, a file-manager
// action (Caja, PCManFM), a Nemo action and a Nautilus script, each running
// the program with the folder's path. Plain files below the user's data
// folder, no widgets.
//
// Quillmere never claims folders (no MimeType=inode/directory in an
// application entry): that would make it the program that opens them. The
// entries below only add a menu item.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// $XDG_DATA_HOME, or ~/.local/share when it is unset or not absolute (the
// base directory rules ignore a relative one).
QString UserDataFolder();

struct TEntryFile {
    QString Path;
    QByteArray Content;
    bool Executable;
};

// The files of the entry that runs `program`, in the order they are written.
// The Dolphin service menu comes last: it is the mark that the entry is
// present, so an install that stops half-way does not count as one.
std::vector<TEntryFile> FileManagerEntryFiles(const QString& program);

// The Dolphin service menu, whose presence means the entry is installed.
QString FileManagerEntryMark();
bool FileManagerEntryPresent();

// What could not be written or removed, and why.
struct TEntryFailure {
    QString File;
    QString Reason;
};

// Writes (or rewrites, so that a moved program is found again) every file of
// the entry. Stops at the first file that fails; a new entry is then
// removed again.
std::optional<TEntryFailure> InstallFileManagerEntry(const QString& program);
// Removes every file of the entry, the mark last; files that are not there
// are no failure.
std::optional<TEntryFailure> RemoveFileManagerEntry();

// `program` as the program of an Exec line of a desktop entry or action,
// as written in the file: quoted by the desktop entry rules, with '%'
// doubled and the key-file escapes applied.
QString DesktopExecProgram(const QString& program);
