// The settings store: one INI file per store key, read and written through
// QSettings, one value at a time. A value that is absent, of the wrong kind or
// unreadable gives its default; nothing here shows a message.
#pragma once

#include "ConfigKeys.h"

#include <QSettings>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

// A stored value that cannot be used as the kind asked for.
class TSettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "Software\Vendor\Product" becomes $XDG_CONFIG_HOME/Vendor/Product.conf
// (~/.config when the variable is unset or not absolute).
QString SettingsFilePath(const QString& key = QString::fromLatin1(ProductKey));
std::unique_ptr<QSettings> OpenSettings(const QString& key = QString::fromLatin1(ProductKey));
// Opens the store, lets fill set values, and writes the file; false when it
// could not be written. QSettings never writes over a file it could not
// parse, so such a file is renamed to "<name>.damaged" (replacing an older
// one) and the values are written into a new file.
bool WriteSettings(const QString& key, const std::function<void(QSettings&)>& fill);

// The decimal integer a stored value holds, if it holds one.
std::optional<int> IntOfStored(const QVariant& stored);
// The text a stored value holds, if it is text.
std::optional<QString> TextOfStored(const QVariant& stored);

// One-value helpers: each opens the store, does one thing and closes it.
int ReadIntValue(const QString& key, const QString& section, const QString& name, int def);
void WriteIntValue(const QString& key, const QString& section, const QString& name, int value);
bool ReadBoolValue(const QString& key, const QString& section, const QString& name, bool def);
void WriteBoolValue(const QString& key, const QString& section, const QString& name, bool value);
// Copies the stored bytes into buffer and returns how many there were; 0 when
// the value is absent. Throws TSettingsError when the stored value is longer
// than size or not binary.
int ReadBinaryValue(const QString& key, const QString& section, const QString& name, int size,
                    void* buffer);
void WriteBinaryValue(const QString& key, const QString& section, const QString& name, int size,
                      const void* buffer);

// The same for the values of the key table, with the table's default and
// range rule.
int ReadIntValue(const TConfigKey& key);
int ReadIntValue(const TConfigKey& key, int def);
void WriteIntValue(const TConfigKey& key, int value);
bool ReadBoolValue(const TConfigKey& key);
void WriteBoolValue(const TConfigKey& key, bool value);
QString ReadStrValue(const TConfigKey& key);
void WriteStrValue(const TConfigKey& key, const QString& value);
// Reads exactly key.BinarySize bytes; false (buffer untouched) when the value
// is absent, of another size or not binary.
bool ReadBinaryValue(const TConfigKey& key, void* buffer);
void WriteBinaryValue(const TConfigKey& key, const void* buffer);
