// The store's one read and one write. QSettings stays the only reader and
// writer of value text (quotes, escapes, @ByteArray, lists), but it is handed
// small files of the store's own lines in a folder of its own: on the real
// file it would parse every stray key, keep a process-wide cache that can
// answer for a rewritten file of the same size and time, and wait for its lock
// without a time limit.
#include "SettingsStore.h"

#include "IniText.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMap>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <vector>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("TSettingsStore", text);
}

QString Shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString IdOf(const QString& section, const QString& name) {
    return section + QLatin1Char('/') + name;
}

QString IdOf(const TConfigKey& key) {
    return IdOf(QString::fromLatin1(key.Section), QString::fromLatin1(key.Name));
}

qint64 TimeOf(const QFileInfo& info) {
    return info.lastModified().toMSecsSinceEpoch();
}

// Runs use with a QSettings over a file of the given text in a temporary
// folder, then returns what the file holds; none (and why) when the folder or
// file cannot be had. The folder is the process's own, so QSettings' lock
// there is never held by anyone else.
template <typename TUse>
std::optional<QByteArray> WithScratchSettings(const QByteArray& text, TUse use, QString& why) {
    const QTemporaryDir dir;
    if (!dir.isValid()) {
        why = Tr("no temporary folder can be made (%1)").arg(dir.errorString());
        return std::nullopt;
    }
    const QString path = dir.filePath(QStringLiteral("values.conf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
        why = Tr("%1 cannot be written (%2)").arg(Shown(path), file.errorString());
        return std::nullopt;
    }
    file.close();
    {
        QSettings scratch(path, QSettings::IniFormat);
        use(scratch);
        scratch.sync();
        if (scratch.status() == QSettings::AccessError) {
            why = Tr("%1 cannot be written").arg(Shown(path));
            return std::nullopt;
        }
    }
    if (!file.open(QIODevice::ReadOnly)) {
        why = Tr("%1 cannot be read (%2)").arg(Shown(path), file.errorString());
        return std::nullopt;
    }
    return file.readAll();
}

QString LockProblem(QLockFile::LockError error, const QString& lockPath) {
    switch (error) {
    case QLockFile::LockFailedError:
        return Tr("%1 is held by another program, or was left behind and cannot be removed")
            .arg(Shown(lockPath));
    case QLockFile::PermissionError:
        return Tr("there is no permission to create %1").arg(Shown(lockPath));
    default:
        return Tr("%1 cannot be created").arg(Shown(lockPath));
    }
}

// The lines of the table's keys that QSettings would take (the last of each),
// as a text of their own in file order.
QByteArray OwnLines(TIniReader& reader) {
    struct TPicked {
        qsizetype At;
        const TConfigKey* Key;
        QByteArrayView Line;
    };
    struct TWanted {
        QByteArrayView Section;
        QByteArrayView Name;
        const TConfigKey* Key;
    };
    std::vector<TWanted> wanted;
    for (const TConfigKey* key : AllConfigKeys())
        wanted.push_back({key->Section, key->Name, key});
    std::vector<TPicked> picked;
    QHash<const TConfigKey*, size_t> index;
    while (reader.Next()) {
        if (!reader.IsEntry())
            continue;
        const QByteArrayView section = reader.Section();
        const QByteArrayView name = reader.Key();
        for (const TWanted& entry : wanted) {
            if (name != entry.Name || section != entry.Section)
                continue;
            const TConfigKey* key = entry.Key;
            const TPicked line{reader.Begin(), key, reader.Line()};
            auto found = index.constFind(key);
            if (found == index.constEnd()) {
                index.insert(key, picked.size());
                picked.push_back(line);
            } else {
                picked[*found] = line;
            }
            break;
        }
    }
    // A value open at the end of the file runs to the end: it must stay last.
    std::sort(picked.begin(), picked.end(),
              [](const TPicked& a, const TPicked& b) { return a.At < b.At; });
    QByteArray text;
    for (const TPicked& line : picked) {
        text.append('[').append(line.Key->Section).append("]\n");
        text.append(line.Line).append('\n');
    }
    return text;
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

TSettingsStore TSettingsStore::Read(const QString& path) {
    TSettingsStore store(path);
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return store;
    if (!info.isFile()) {
        store.LeaveAlone = true;
        store.NoteList.append(Tr("%1 is not a regular file: the default settings are used, and "
                                 "it is left as it is.")
                                  .arg(Shown(path)));
        return store;
    }
    QFile file(path);
    QByteArray text;
    if (file.open(QIODevice::ReadOnly))
        text = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        store.LeaveAlone = true;
        store.NoteList.append(Tr("%1 cannot be read (%2): the default settings are used, and it "
                                 "is left as it is.")
                                  .arg(Shown(path), file.errorString()));
        return store;
    }

    TIniReader reader(text);
    const QByteArray own = OwnLines(reader);
    if (!reader.WellFormed()) {
        store.Damaged = true;
        store.DamagedSize = info.size();
        store.DamagedTime = TimeOf(info);
        store.NoteList.append(Tr("%1 could not be read in full: the settings that could be read "
                                 "are used, and the file will be kept as %2.")
                                  .arg(Shown(path), Shown(path + QStringLiteral(".damaged"))));
    }
    if (own.isEmpty())
        return store;
    QString why;
    auto decode = [&store](QSettings& settings) {
        for (const TConfigKey* key : AllConfigKeys()) {
            const QString id = IdOf(*key);
            const QVariant value = settings.value(id);
            if (value.isValid())
                store.Values.insert(id, value);
        }
    };
    if (!WithScratchSettings(own, decode, why)) {
        // Writing what could not be read would put defaults over the user's values.
        store.LeaveAlone = true;
        store.Values.clear();
        store.NoteList.append(Tr("The settings in %1 cannot be read (%2): the default settings "
                                 "are used, and the file is left as it is.")
                                  .arg(Shown(path), why));
    }
    store.AsRead = store.Values;
    return store;
}

QVariant TSettingsStore::Value(const QString& section, const QString& name) const {
    return Values.value(IdOf(section, name));
}

void TSettingsStore::SetValue(const QString& section, const QString& name, const QVariant& value) {
    Values.insert(IdOf(section, name), value);
}

int TSettingsStore::Int(const TConfigKey& key) const {
    return Int(key, key.IntDefault);
}

int TSettingsStore::Int(const TConfigKey& key, int def) const {
    const auto value = IntOfStored(Values.value(IdOf(key)));
    return value ? CorrectedValue(key, *value) : def;
}

bool TSettingsStore::Bool(const TConfigKey& key) const {
    const auto value = IntOfStored(Values.value(IdOf(key)));
    return value ? *value != 0 : key.IntDefault != 0;
}

QString TSettingsStore::Str(const TConfigKey& key) const {
    return TextOfStored(Values.value(IdOf(key))).value_or(QString::fromLatin1(key.StrDefault));
}

QByteArray TSettingsStore::Bytes(const TConfigKey& key) const {
    const QVariant value = Values.value(IdOf(key));
    // Text, a list or anything else where bytes belong counts as absent.
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

void TSettingsStore::SetInt(const TConfigKey& key, int value) {
    Values.insert(IdOf(key), QString::number(value));
}

void TSettingsStore::SetBool(const TConfigKey& key, bool value) {
    Values.insert(IdOf(key), value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TSettingsStore::SetStr(const TConfigKey& key, const QString& value) {
    Values.insert(IdOf(key), value);
}

void TSettingsStore::SetBytes(const TConfigKey& key, const QByteArray& value) {
    Values.insert(IdOf(key), value);
}

std::optional<QString> TSettingsStore::Write(std::chrono::milliseconds lockWait) {
    if (FilePath.isEmpty() || LeaveAlone)
        return std::nullopt;
    auto changed = [this](bool all) {
        QMap<QString, QVariant> values;
        for (auto it = Values.cbegin(); it != Values.cend(); ++it)
            if (all || AsRead.value(it.key()) != it.value())
                values.insert(it.key(), it.value());
        return values;
    };
    if (!Damaged && changed(false).isEmpty())
        return std::nullopt;

    const QString folder = QFileInfo(FilePath).absolutePath();
    if (!QDir().mkpath(folder))
        return Tr("the folder %1 cannot be created").arg(Shown(folder));
    const QString lockPath = FilePath + QStringLiteral(".lock");
    QLockFile lock(lockPath);
    if (!lock.tryLock(static_cast<int>(lockWait.count())))
        return LockProblem(lock.error(), lockPath);

    // Under the lock the file is read again, so that what another instance
    // wrote since this one started is kept.
    const QFileInfo info(FilePath);
    QByteArray base;
    bool damaged = false;
    if (info.exists() || info.isSymLink()) {
        if (!info.isFile())
            return Tr("%1 is no longer a regular file").arg(Shown(FilePath));
        damaged = Damaged && info.size() == DamagedSize && TimeOf(info) == DamagedTime;
        if (!damaged) {
            QFile file(FilePath);
            if (file.open(QIODevice::ReadOnly))
                base = file.readAll();
            if (!file.isOpen() || file.error() != QFileDevice::NoError)
                return Tr("%1 cannot be read (%2)").arg(Shown(FilePath), file.errorString());
            // Lines added after a value left open would be read as part of it.
            TIniReader reader(base);
            while (reader.Next())
                damaged = reader.InOpenQuotes();
        }
        if (damaged) {
            const QString aside = FilePath + QStringLiteral(".damaged");
            QFile::remove(aside);
            if (!QFile::rename(FilePath, aside) && !QFile::remove(FilePath))
                return Tr("%1 cannot be parsed and cannot be moved aside").arg(Shown(FilePath));
            base.clear();
        }
    }

    QString why;
    const QMap<QString, QVariant> values = changed(damaged || Damaged);
    auto encode = [&values](QSettings& settings) {
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            settings.setValue(it.key(), it.value());
    };
    const auto update = WithScratchSettings(QByteArray(), encode, why);
    if (!update)
        return why;
    const QByteArray merged = MergeIniText(base, *update);
    QSaveFile file(FilePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(merged) != merged.size() || !file.commit())
        return Tr("%1 cannot be written (%2)").arg(Shown(FilePath), file.errorString());
    AsRead = Values;
    Damaged = false;
    return std::nullopt;
}
