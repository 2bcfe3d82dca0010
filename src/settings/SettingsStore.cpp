// QSettings in INI format standing in for a per-user registry key.
#include "SettingsStore.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>
#include <cstring>

namespace {

QString ValuePath(const QString& section, const QString& name) {
    return section + QLatin1Char('/') + name;
}

QVariant ReadStored(const QString& key, const QString& section, const QString& name) {
    auto store = OpenSettings(key);
    return store->value(ValuePath(section, name));
}

void WriteStored(const QString& key, const QString& section, const QString& name,
                 const QVariant& value) {
    WriteSettings(key, [&](QSettings& store) { store.setValue(ValuePath(section, name), value); });
}

QString Latin(const char* text) {
    return QString::fromLatin1(text);
}

// QSettings reports a parse error only on the open that parses the file; later
// opens use its cache, and a write through them would keep the damage. So the
// damaged files seen are remembered, with the size and time they had.
struct TFileStamp {
    qint64 Size;
    QDateTime Modified;
    bool operator==(const TFileStamp&) const = default;
};

TFileStamp Stamp(const QString& path) {
    QFileInfo info(path);
    return {info.size(), info.lastModified()};
}

QHash<QString, TFileStamp>& DamagedFiles() {
    static QHash<QString, TFileStamp> files;
    return files;
}

bool IsKnownDamaged(const QString& path) {
    auto it = DamagedFiles().constFind(path);
    return it != DamagedFiles().constEnd() && *it == Stamp(path);
}

} // namespace

QString SettingsFilePath(const QString& key) {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    QStringList parts = key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (!parts.isEmpty() &&
        parts.first().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0)
        parts.removeFirst();
    return base + QLatin1Char('/') + parts.join(QLatin1Char('/')) + QStringLiteral(".conf");
}

std::unique_ptr<QSettings> OpenSettings(const QString& key) {
    QString path = SettingsFilePath(key);
    auto store = std::make_unique<QSettings>(path, QSettings::IniFormat);
    // QSettings parses on first access, and only then tells of a parse error.
    (void)store->childGroups();
    if (store->status() == QSettings::FormatError)
        DamagedFiles().insert(path, Stamp(path));
    return store;
}

bool WriteSettings(const QString& key, const std::function<void(QSettings&)>& fill) {
    QString path = SettingsFilePath(key);
    auto store = OpenSettings(key);
    if (IsKnownDamaged(path)) {
        store.reset();
        QString aside = path + QStringLiteral(".damaged");
        QFile::remove(aside);
        if (!QFile::rename(path, aside) && !QFile::remove(path))
            return false;
        DamagedFiles().remove(path);
        store = OpenSettings(key);
        // QSettings still holds what it made of the damaged file in its cache.
        store->clear();
    }
    fill(*store);
    store->sync();
    return store->status() == QSettings::NoError;
}

std::optional<int> IntOfStored(const QVariant& stored) {
    auto text = TextOfStored(stored);
    if (!text)
        return std::nullopt;
    bool ok = false;
    int value = text->trimmed().toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<QString> TextOfStored(const QVariant& stored) {
    // The INI reader gives plain text as QString; a byte array or a list means
    // the value was written as something else.
    if (stored.typeId() != QMetaType::QString)
        return std::nullopt;
    return stored.toString();
}

int ReadIntValue(const QString& key, const QString& section, const QString& name, int def) {
    return IntOfStored(ReadStored(key, section, name)).value_or(def);
}

void WriteIntValue(const QString& key, const QString& section, const QString& name, int value) {
    WriteStored(key, section, name, QString::number(value));
}

bool ReadBoolValue(const QString& key, const QString& section, const QString& name, bool def) {
    auto value = IntOfStored(ReadStored(key, section, name));
    return value ? *value != 0 : def;
}

void WriteBoolValue(const QString& key, const QString& section, const QString& name, bool value) {
    WriteStored(key, section, name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

int ReadBinaryValue(const QString& key, const QString& section, const QString& name, int size,
                    void* buffer) {
    QVariant stored = ReadStored(key, section, name);
    if (!stored.isValid())
        return 0;
    if (stored.typeId() != QMetaType::QByteArray)
        throw TSettingsError("settings value " + name.toStdString() + " is not binary");
    QByteArray bytes = stored.toByteArray();
    if (bytes.size() > size)
        throw TSettingsError("settings value " + name.toStdString() + " is too long");
    if (!bytes.isEmpty())
        std::memcpy(buffer, bytes.constData(), static_cast<size_t>(bytes.size()));
    return static_cast<int>(bytes.size());
}

void WriteBinaryValue(const QString& key, const QString& section, const QString& name, int size,
                      const void* buffer) {
    WriteStored(key, section, name, QByteArray(static_cast<const char*>(buffer), size));
}

int ReadIntValue(const TConfigKey& key) {
    return ReadIntValue(key, key.IntDefault);
}

int ReadIntValue(const TConfigKey& key, int def) {
    auto value = IntOfStored(ReadStored(Latin(ProductKey), Latin(key.Section), Latin(key.Name)));
    return value ? CorrectedValue(key, *value) : def;
}

void WriteIntValue(const TConfigKey& key, int value) {
    WriteIntValue(Latin(ProductKey), Latin(key.Section), Latin(key.Name), value);
}

bool ReadBoolValue(const TConfigKey& key) {
    return ReadBoolValue(Latin(ProductKey), Latin(key.Section), Latin(key.Name),
                         key.IntDefault != 0);
}

void WriteBoolValue(const TConfigKey& key, bool value) {
    WriteBoolValue(Latin(ProductKey), Latin(key.Section), Latin(key.Name), value);
}

QString ReadStrValue(const TConfigKey& key) {
    auto text = TextOfStored(ReadStored(Latin(ProductKey), Latin(key.Section), Latin(key.Name)));
    return text ? *text : Latin(key.StrDefault);
}

void WriteStrValue(const TConfigKey& key, const QString& value) {
    WriteStored(Latin(ProductKey), Latin(key.Section), Latin(key.Name), value);
}

bool ReadBinaryValue(const TConfigKey& key, void* buffer) {
    QByteArray bytes(key.BinarySize, '\0');
    try {
        int read = ReadBinaryValue(Latin(ProductKey), Latin(key.Section), Latin(key.Name),
                                   key.BinarySize, bytes.data());
        if (read != key.BinarySize)
            return false;
    } catch (const TSettingsError&) {
        // A damaged value reads as absent: the caller keeps its default.
        return false;
    }
    std::memcpy(buffer, bytes.constData(), static_cast<size_t>(key.BinarySize));
    return true;
}

void WriteBinaryValue(const TConfigKey& key, const void* buffer) {
    WriteBinaryValue(Latin(ProductKey), Latin(key.Section), Latin(key.Name), key.BinarySize,
                     buffer);
}
