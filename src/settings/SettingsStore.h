// The settings store: the values of the key table as one INI file holds them,
// read once where the program starts and written once where it ends. In
// between, the program reads and sets them in memory. A value that is absent,
// of the wrong kind or unreadable gives its default; nothing here shows a
// message: what the user should hear of is handed back as text.
#pragma once

#include "ConfigKeys.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <chrono>
#include <optional>

// "Software\Vendor\Product" becomes $XDG_CONFIG_HOME/Vendor/Product.conf
// (~/.config when the variable is unset or not absolute).
QString SettingsFilePath(const QString& key = QString::fromLatin1(ProductKey));

// The decimal integer a stored value holds, if it holds one.
std::optional<int> IntOfStored(const QVariant& stored);
// The text a stored value holds, if it is text.
std::optional<QString> TextOfStored(const QVariant& stored);

class TSettingsStore {
public:
    // Long enough for another instance to finish its own write; short enough
    // that a lock which can never be had does not keep the program from ending.
    static constexpr std::chrono::milliseconds LockWait{2000};

    // A store of no file: it starts empty and writing it keeps nothing.
    TSettingsStore() = default;

    // The values of the key table as the file at path holds them, read in one
    // pass. Only a regular file is read: in place of anything else (a FIFO
    // would block the read for ever, a device or folder holds no settings) the
    // store starts empty and leaves the thing alone when written.
    static TSettingsStore Read(const QString& path);

    const QString& Path() const { return FilePath; }
    // What reading found that the user should be told, one sentence each.
    const QStringList& Notes() const { return NoteList; }

    // A value by section and name; invalid when absent. Only the keys of the
    // table are read from the file.
    QVariant Value(const QString& section, const QString& name) const;
    void SetValue(const QString& section, const QString& name, const QVariant& value);

    // Values of the key table, with the table's default and range rule.
    int Int(const TConfigKey& key) const;
    int Int(const TConfigKey& key, int def) const;
    bool Bool(const TConfigKey& key) const;
    QString Str(const TConfigKey& key) const;
    // The bytes of a binary value; empty when it is absent or not binary.
    QByteArray Bytes(const TConfigKey& key) const;
    // Integers and booleans are kept as decimal text, binary values as bytes.
    void SetInt(const TConfigKey& key, int value);
    void SetBool(const TConfigKey& key, bool value);
    void SetStr(const TConfigKey& key, const QString& value);
    void SetBytes(const TConfigKey& key, const QByteArray& value);

    // Writes the values that differ from what was read into the file, in one
    // replacement of the file; everything else the file holds is kept as it
    // is. Takes the lock file QSettings uses ("<file>.lock"), waiting for it
    // at most lockWait. A file that could not be parsed is first kept beside
    // as "<file>.damaged" (replacing an older one). The reason when the file
    // could not be written; none when it was, when there was nothing to
    // write, or when the file is one the store leaves alone.
    std::optional<QString> Write(std::chrono::milliseconds lockWait = LockWait);

private:
    explicit TSettingsStore(QString path) : FilePath(std::move(path)) {}

    QString FilePath;
    QHash<QString, QVariant> Values;
    // As the file held them: only what differs is written.
    QHash<QString, QVariant> AsRead;
    QStringList NoteList;
    bool LeaveAlone = false;
    // The file could not be parsed when it was this size and age.
    bool Damaged = false;
    qint64 DamagedSize = 0;
    qint64 DamagedTime = 0;
};
