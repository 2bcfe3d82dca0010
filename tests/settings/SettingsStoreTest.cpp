// The settings store: where it lives, how values are kept, what a write
// leaves of the rest of the file, and the files it will not touch.
#include "SettingsTestEnv.h"

#include "common/Watchdog.h"
#include "settings/ConfigKeys.h"

#include <QSettings>
#include <sys/stat.h>

namespace {

using StoreTest = TSettingsTest;

TEST_F(StoreTest, FileLivesUnderTheConfigHome) {
    EXPECT_EQ(SettingsFilePath(), FilePath());
    EXPECT_EQ(SettingsFilePath(QStringLiteral("Software\\Fenwright\\Other")),
              Dir.path() + QStringLiteral("/Fenwright/Other.conf"));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(SettingsFilePath(),
              QDir::homePath() + QStringLiteral("/.config/Fenwright/Quillmere 3.conf"));
    // A relative value is not a usable base folder.
    qputenv("XDG_CONFIG_HOME", "relative/dir");
    EXPECT_EQ(SettingsFilePath(),
              QDir::homePath() + QStringLiteral("/.config/Fenwright/Quillmere 3.conf"));
}

TEST_F(StoreTest, IntegersAndBooleansAreDecimalText) {
    TSettingsStore store = TSettingsStore::Read(FilePath());
    store.SetInt(Keys::FoldersDisplayTopX, 250);
    store.SetBool(Keys::ShowFullPath, false);
    store.SetInt(Keys::BarChartBoxLeft, -40);
    const auto why = store.Write();
    ASSERT_FALSE(why) << why->toStdString();
    QByteArray text = ReadFile();
    EXPECT_TRUE(text.contains("[Options]\nFoldersDisplayTopX=250\n")) << text.constData();
    EXPECT_TRUE(text.contains("ShowFullPath=0\n"));
    EXPECT_TRUE(text.contains("Left=-40\n"));
    const TSettingsStore again = TSettingsStore::Read(FilePath());
    EXPECT_EQ(again.Int(Keys::FoldersDisplayTopX), 250);
    EXPECT_FALSE(again.Bool(Keys::ShowFullPath));
    EXPECT_EQ(again.Int(Keys::BarChartBoxLeft), -40);
}

TEST_F(StoreTest, AbsentOrNonNumericGivesTheDefault) {
    const TSettingsStore empty = TSettingsStore::Read(FilePath());
    EXPECT_EQ(empty.Int(Keys::GraphWidth, 123), 123);
    EXPECT_EQ(empty.Int(Keys::DesktopLeft), AbsentValue);
    EXPECT_TRUE(empty.Bool(Keys::IncludeSubfolders));
    WriteFile("[BarChartBox]\nGraphWidth=wide\nIncludeSubfolders=\n");
    const TSettingsStore store = TSettingsStore::Read(FilePath());
    EXPECT_EQ(store.Int(Keys::GraphWidth, 123), 123);
    EXPECT_TRUE(store.Bool(Keys::IncludeSubfolders));
}

TEST_F(StoreTest, ListSettingsFollowTheirRangeRules) {
    struct Case {
        const TConfigKey& Key;
        const char* Stored;
        int Expected;
    };
    const Case cases[] = {
        {Keys::FoldersDisplaySort, "-3", -3},
        {Keys::FoldersDisplaySort, "9", 1},
        {Keys::FoldersDisplaySort, "0", 1},
        {Keys::FoldersDisplaySort, "-9", 1},
        {Keys::FoldersDisplaySort, "8", 8},
        {Keys::FoldersDisplayType, "3", 2},
        {Keys::FoldersDisplayType, "0", 0},
        {Keys::FoldersDisplayTopX, "-1", 10},
        {Keys::FoldersDisplayTopX, "0", 0},
        {Keys::FoldersDisplayLargerThan, "32768", 1},
        {Keys::FoldersDisplayLargerThan, "32767", 32767},
        {Keys::FoldersDisplayLargerThanUnit, "3", 1},
        {Keys::FoldersDisplayLargerThanUnit, "2", 2},
    };
    for (const Case& c : cases) {
        WriteFile(QByteArray("[Options]\n") + c.Key.Name + "=" + c.Stored + "\n");
        EXPECT_EQ(TSettingsStore::Read(FilePath()).Int(c.Key), c.Expected)
            << c.Key.Name << "=" << c.Stored;
    }
}

TEST_F(StoreTest, BinaryAndTextValuesComeBackAsWritten) {
    TSettingsStore store = TSettingsStore::Read(FilePath());
    const QByteArray bytes("\x01\x00\x02\xFF\n;=\"", 8);
    const QString text = QStringLiteral(" /media/ånna/USB,2;/mnt/ディスク\\x ");
    store.SetBytes(Keys::MinTextSectionAngle, bytes);
    store.SetStr(Keys::DrivesToAutoScan, text);
    // Bytes where text belongs, and text where bytes belong.
    store.SetBytes(Keys::ZIPCompressionLevel, QByteArray("5"));
    store.SetStr(Keys::Colors, QStringLiteral("red"));
    const auto why = store.Write();
    ASSERT_FALSE(why) << why->toStdString();
    const TSettingsStore again = TSettingsStore::Read(FilePath());
    EXPECT_EQ(again.Bytes(Keys::MinTextSectionAngle), bytes);
    EXPECT_EQ(again.Str(Keys::DrivesToAutoScan), text);
    EXPECT_EQ(again.Int(Keys::ZIPCompressionLevel), 9);
    EXPECT_TRUE(again.Bytes(Keys::Colors).isEmpty());
}

// The store reads its own values in one pass over the file and writes them
// back in one replacement of it: whatever else the file holds, however it is
// written, stays as QSettings reads it, and the store's values read back as
// QSettings reads them.
TEST_F(StoreTest, AWriteChangesOnlyTheStoresOwnValues) {
    WriteFile("\xEF\xBB\xBF; kept by hand\n"
              "[Options]\n"
              "Before=1\n"
              "  ShowFileNames = 0 ; the comment goes with the value\n"
              "Note=\"quoted; with = and a\nline break\"\n"
              "Joined=first\\\nsecond\n"
              "ZIPCompressionLevel=3\n"
              "ZIPCompressionLevel=4\n"
              "[Other]\n"
              "ShowFileNames=7\n"
              "List=a, b, c\n"
              "[Options]\r\n"
              "Tail=@ByteArray(\\x1\\0)\r\n"
              "AutoExpand=0\r\n"
              "[Desktop]\n"
              "Left=40");
    // What QSettings makes of the file; its object goes before the file
    // changes, since objects over one file share what they read.
    QHash<QString, QVariant> before;
    {
        QSettings raw(FilePath(), QSettings::IniFormat);
        ASSERT_EQ(raw.status(), QSettings::NoError);
        for (const QString& key : raw.allKeys())
            before.insert(key, raw.value(key));
    }
    TSettingsStore store = TSettingsStore::Read(FilePath());
    EXPECT_TRUE(store.Notes().isEmpty());
    for (const TConfigKey* key : AllConfigKeys()) {
        const QString section = QString::fromLatin1(key->Section);
        const QString name = QString::fromLatin1(key->Name);
        EXPECT_EQ(store.Value(section, name), before.value(section + QLatin1Char('/') + name))
            << key->Name;
    }

    store.SetBool(Keys::ShowFileNames, true);
    store.SetInt(Keys::ZIPCompressionLevel, 6);
    store.SetBool(Keys::AutoExpand, false); // as it was: not written again
    store.SetInt(Keys::DesktopLeft, 41);
    store.SetStr(Keys::DrivesToAutoScan, QStringLiteral("/a;/b"));
    store.SetInt(Keys::BarChartBoxLeft, 5);
    const auto why = store.Write();
    ASSERT_FALSE(why) << why->toStdString();

    const QByteArray text = ReadFile();
    EXPECT_TRUE(text.startsWith("\xEF\xBB\xBF; kept by hand\n[Options]\nBefore=1\n"))
        << text.data();
    EXPECT_TRUE(text.contains("ShowFileNames=7\n")) << text.data();
    EXPECT_EQ(text.count("ZIPCompressionLevel="), 1) << text.data();
    EXPECT_EQ(text.count("[Options]"), 2) << text.data();
    QSettings after(FilePath(), QSettings::IniFormat);
    EXPECT_EQ(after.status(), QSettings::NoError);
    const QHash<QString, QString> changed{{"Options/ShowFileNames", "1"},
                                          {"Options/ZIPCompressionLevel", "6"},
                                          {"Options/DrivesToAutoScan", "/a;/b"},
                                          {"Desktop/Left", "41"},
                                          {"BarChartBox/Left", "5"}};
    QStringList expectedKeys = before.keys();
    for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
        if (!expectedKeys.contains(it.key()))
            expectedKeys.append(it.key());
        EXPECT_EQ(after.value(it.key()), QVariant(it.value())) << it.key().toStdString();
    }
    QStringList keys = after.allKeys();
    keys.sort();
    expectedKeys.sort();
    EXPECT_EQ(keys, expectedKeys);
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (!changed.contains(it.key())) {
            EXPECT_EQ(after.value(it.key()), it.value()) << it.key().toStdString();
        }
    }
}

// Nothing but a regular file is read or written: a FIFO would block the read
// for ever, and a folder or a device in its place is left as it is.
TEST_F(StoreTest, OnlyARegularFileIsReadOrWritten) {
    const QString path = FilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    enum TOdd { Fifo, Folder, Device };
    for (TOdd odd : {Fifo, Folder, Device}) {
        switch (odd) {
        case Fifo:
            ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            break;
        case Folder:
            ASSERT_TRUE(QDir().mkdir(path));
            break;
        case Device:
            ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), path));
            break;
        }
        {
            TWatchdog watchdog(std::chrono::seconds(20), "Reading and writing the settings");
            TSettingsStore store = TSettingsStore::Read(path);
            ASSERT_EQ(store.Notes().size(), 1) << odd;
            EXPECT_TRUE(store.Notes()[0].contains(path)) << store.Notes()[0].toStdString();
            EXPECT_EQ(store.Int(Keys::ZIPCompressionLevel), 9);
            store.SetInt(Keys::ZIPCompressionLevel, 3);
            const auto why = store.Write();
            EXPECT_FALSE(why) << why->toStdString();
        }
        struct stat info {};
        ASSERT_EQ(lstat(QFile::encodeName(path).constData(), &info), 0);
        switch (odd) {
        case Fifo:
            EXPECT_TRUE(S_ISFIFO(info.st_mode));
            QFile::remove(path);
            break;
        case Folder:
            EXPECT_TRUE(S_ISDIR(info.st_mode));
            EXPECT_TRUE(QDir(path).isEmpty());
            QDir().rmdir(path);
            break;
        case Device:
            EXPECT_EQ(QFileInfo(path).symLinkTarget(), QStringLiteral("/dev/null"));
            QFile::remove(path);
            break;
        }
        EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral(".lock")));
    }
}

} // namespace
