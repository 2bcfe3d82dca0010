// Loading and saving all settings: defaults for a new user, what a save
// writes, and what damaged files give.
#include "SettingsTestEnv.h"

#include "settings/ConfigKeys.h"
#include "settings/ProgramSettings.h"

#include <QSettings>
#include <set>
#include <string>

namespace {

class ProgramSettingsTest : public TSettingsTest {
protected:
    // The settings a program would hold, loaded and saved by the test.
    mutable TProgramSettings Held;
    TProgramSettings& Settings() const { return Held; }

    void SetUp() override {
        TSettingsTest::SetUp();
        // Leave something other than the defaults in memory, so a test sees
        // whether loading really puts every value back.
        auto& s = Settings();
        s.IncludeWastedInformation.Value = false;
        s.ShowPercentInPie.Value = 2;
        s.DrivesToAutoScan.Value = QStringLiteral("/junk");
        s.ZIPCompressionLevel.Value = 3;
        s.ShowSurvey.Value = false;
        s.Colors[ciPieLines] = 0x123456;
        s.MinTextSectionAngle = 77;
    }

    // The settings as a start of the program reads them from the file.
    void Load() const { LoadSettings(Settings(), TSettingsStore::Read(FilePath())); }
    // Puts them back and writes the file, as the end of a run does; why the
    // file could not be written, if it could not.
    std::optional<QString> Save() const {
        TSettingsStore store = TSettingsStore::Read(FilePath());
        SaveSettings(Settings(), store);
        return store.Write();
    }

    void ExpectDefaults() const {
        auto& s = Settings();
        EXPECT_TRUE(s.IncludeWastedInformation.Value);
        EXPECT_TRUE(s.ShowFileNames.Value);
        EXPECT_EQ(s.ShowPercentInPie.Value, 1);
        EXPECT_TRUE(s.AutoExpand.Value);
        EXPECT_TRUE(s.AutoCollapse.Value);
        EXPECT_FALSE(s.SortAscending.Value);
        EXPECT_EQ(s.DrivesToAutoScan.Value, QString());
        EXPECT_TRUE(s.ZIPAddSubfolders.Value);
        EXPECT_TRUE(s.ZIPAddHiddenFiles.Value);
        EXPECT_TRUE(s.ZIPDeleteAfterCompressing.Value);
        EXPECT_FALSE(s.ZIPPasswordProtect.Value);
        EXPECT_EQ(s.ZIPCompressionLevel.Value, 9);
        EXPECT_TRUE(s.ZIPDeleteArchive.Value);
        EXPECT_TRUE(s.ViewToolbar.Value);
        EXPECT_TRUE(s.ViewStatusBar.Value);
        EXPECT_TRUE(s.ViewFolderTree.Value);
        EXPECT_TRUE(s.PieSectionSizeWindow.Value);
        EXPECT_TRUE(s.ShowSurvey.Value);
        EXPECT_EQ(s.Colors, DefaultColors);
        EXPECT_EQ(s.MinFileSectionAngle, 2.0);
        EXPECT_EQ(s.MinFolderSectionAngle, 1.0);
        EXPECT_EQ(s.MinTextSectionAngle, 5.0);
    }
};

TEST_F(ProgramSettingsTest, NewUserGetsDefaultsAndNoFile) {
    Load();
    ExpectDefaults();
    EXPECT_FALSE(QFile::exists(FilePath()));
}

TEST_F(ProgramSettingsTest, SaveWritesEveryValueOfBothSets) {
    Load();
    ASSERT_FALSE(Save());
    QString text = QString::fromUtf8(ReadFile());
    for (const char* line : {"[Options]",
                             "IncludeWastedInformation=1",
                             "ShowFileNames=1",
                             "ShowPercentInPie=1",
                             "AutoExpand=1",
                             "AutoCollapse=1",
                             "SortAscending=0",
                             "DrivesToAutoScan=",
                             "ZIPAddSubfolders=1",
                             "ZIPAddHiddenFiles=1",
                             "ZIPDeleteAfterCompressing=1",
                             "ZIPPasswordProtect=0",
                             "ZIPCompressionLevel=9",
                             "ZIPDeleteArchive=1",
                             "[Desktop]",
                             "ViewToolbar=1",
                             "ViewStatusBar=1",
                             "ViewFolderTree=1",
                             "PieSectionSizeWindow=1",
                             "ShowSurvey=1"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(line))) << line;

    QSettings raw(FilePath(), QSettings::IniFormat);
    QByteArray colors = raw.value(QStringLiteral("Options/Colors")).toByteArray();
    ASSERT_EQ(colors.size(), 72);
    // First word: system colour 5, little-endian.
    EXPECT_EQ(colors.left(4), QByteArray("\x05\x00\x00\xFF", 4));
    // Last word: red, 0x000000FF.
    EXPECT_EQ(colors.right(4), QByteArray("\xFF\x00\x00\x00", 4));
    // 2.0 as an IEEE double is 0x4000000000000000.
    EXPECT_EQ(raw.value(QStringLiteral("Options/MinFileSectionAngle")).toByteArray(),
              QByteArray("\x00\x00\x00\x00\x00\x00\x00\x40", 8));
    EXPECT_EQ(raw.value(QStringLiteral("Options/MinTextSectionAngle")).toByteArray().size(), 8);
}

TEST_F(ProgramSettingsTest, ChangedValuesSurviveSaveAndLoad) {
    Load();
    auto& s = Settings();
    s.SortAscending.Value = true;
    s.ShowPercentInPie.Value = 2;
    s.DrivesToAutoScan.Value = JoinDriveList({QStringLiteral("/"), QStringLiteral("/mnt/a;b")});
    s.ViewStatusBar.Value = false;
    s.Colors[ciTreeBarChartBars] = 0x00123456;
    s.MinFolderSectionAngle = 3.6;
    ASSERT_FALSE(Save());

    s.SortAscending.Value = false;
    s.ViewStatusBar.Value = true;
    s.Colors = DefaultColors;
    s.MinFolderSectionAngle = 0;
    Load();
    EXPECT_TRUE(s.SortAscending.Value);
    EXPECT_EQ(s.ShowPercentInPie.Value, 2);
    EXPECT_EQ(SplitDriveList(s.DrivesToAutoScan.Value),
              QStringList({QStringLiteral("/"), QStringLiteral("/mnt/a;b")}));
    EXPECT_FALSE(s.ViewStatusBar.Value);
    EXPECT_EQ(s.Colors[ciTreeBarChartBars], 0x00123456u);
    EXPECT_EQ(s.Colors[ciPieLines], DefaultColors[ciPieLines]);
    EXPECT_EQ(s.MinFolderSectionAngle, 3.6);
}

TEST_F(ProgramSettingsTest, AnyNonZeroIntegerIsTrueAndIsWrittenBackAsOne) {
    WriteFile("[Options]\nIncludeWastedInformation=5\nShowFileNames=0\n");
    Load();
    EXPECT_TRUE(Settings().IncludeWastedInformation.Value);
    EXPECT_FALSE(Settings().ShowFileNames.Value);
    ASSERT_FALSE(Save());
    EXPECT_TRUE(ReadFile().contains("IncludeWastedInformation=1\n"));
}

TEST_F(ProgramSettingsTest, RangeRulesCorrectStoredValues) {
    WriteFile("[Options]\nZIPCompressionLevel=12\nShowPercentInPie=-4\n");
    Load();
    EXPECT_EQ(Settings().ZIPCompressionLevel.Value, 9);
    EXPECT_EQ(Settings().ShowPercentInPie.Value, 1);
    WriteFile("[Options]\nZIPCompressionLevel=0\nShowPercentInPie=0\n");
    Load();
    EXPECT_EQ(Settings().ZIPCompressionLevel.Value, 0);
    EXPECT_EQ(Settings().ShowPercentInPie.Value, 0);
}

TEST_F(ProgramSettingsTest, DamagedValuesGiveTheirDefaultsAndSpareTheRest) {
    // Text where a number belongs, bytes where text belongs, a list, a short
    // colour table, an angle that is text and one that is not a number.
    QByteArray nan("\x00\x00\x00\x00\x00\x00\xF8\x7F", 8);
    WriteFile("[Options]\n"
              "IncludeWastedInformation=yes\n"
              "ShowPercentInPie=@ByteArray(2)\n"
              "AutoExpand=0\n"
              "ZIPCompressionLevel=1, 2\n"
              "SortAscending=1\n"
              "Colors=@ByteArray(0123456789012345678901234567890123456789)\n"
              "MinFileSectionAngle=2.5\n"
              "MinFolderSectionAngle=@ByteArray(" +
              nan.toPercentEncoding() +
              ")\n"
              "[Desktop]\n"
              "ViewToolbar=99999999999999\n"
              "ShowSurvey=0\n");
    Load();
    auto& s = Settings();
    EXPECT_TRUE(s.IncludeWastedInformation.Value);
    EXPECT_EQ(s.ShowPercentInPie.Value, 1);
    EXPECT_FALSE(s.AutoExpand.Value);
    EXPECT_EQ(s.ZIPCompressionLevel.Value, 9);
    EXPECT_TRUE(s.SortAscending.Value);
    EXPECT_EQ(s.Colors, DefaultColors);
    EXPECT_EQ(s.MinFileSectionAngle, 2.0);
    EXPECT_EQ(s.MinFolderSectionAngle, 1.0);
    EXPECT_TRUE(s.ViewToolbar.Value);
    EXPECT_FALSE(s.ShowSurvey.Value);
}

TEST_F(ProgramSettingsTest, FileThatIsNotIniGivesDefaultsAndIsReplacedOnSave) {
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk.append(static_cast<char>((i * 151 + 7) % 256));
    WriteFile(junk);
    Load();
    ExpectDefaults();
    Settings().SortAscending.Value = true;
    ASSERT_FALSE(Save());
    // The unreadable file is kept beside the new one, not lost.
    QFile aside(FilePath() + QStringLiteral(".damaged"));
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), junk);
    Load();
    EXPECT_TRUE(Settings().SortAscending.Value);
}

TEST_F(ProgramSettingsTest, UnwritableStoreIsReportedBySave) {
    // A file where the vendor folder belongs makes every write fail.
    QFile blocker(Dir.path() + QStringLiteral("/Fenwright"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Load();
    EXPECT_TRUE(Save());
}

TEST(DriveListText, RootPathsWithSeparatorsRoundTrip) {
    QStringList roots{QStringLiteral("/"), QStringLiteral("/media/anna/USB;2"),
                      QStringLiteral("/mnt/back\\slash")};
    QString text = JoinDriveList(roots);
    EXPECT_EQ(text, QStringLiteral("/;/media/anna/USB\\;2;/mnt/back\\\\slash"));
    EXPECT_EQ(SplitDriveList(text), roots);
    EXPECT_TRUE(SplitDriveList(QString()).isEmpty());
    EXPECT_EQ(SplitDriveList(QStringLiteral(";/home;;")), QStringList{QStringLiteral("/home")});
}

TEST(AngleBytes, RejectsWhatIsNotAnAngle) {
    EXPECT_EQ(AngleFromBytes(AngleToBytes(1.25)), 1.25);
    EXPECT_EQ(AngleFromBytes(AngleToBytes(-1.0)), std::nullopt);
    EXPECT_EQ(AngleFromBytes(AngleToBytes(400.0)), std::nullopt);
    EXPECT_EQ(AngleFromBytes(QByteArray(7, '\0')), std::nullopt);
}

TEST(ConfigKeyTable, EveryKeyIsUniqueAndWellFormed) {
    std::set<std::string> seen;
    for (const TConfigKey* key : AllConfigKeys()) {
        std::string id = std::string(key->Section) + "/" + key->Name;
        EXPECT_TRUE(seen.insert(id).second) << id;
        if (key->Kind == TKeyKind::Binary) {
            EXPECT_GT(key->BinarySize, 0) << id;
        }
        if (key->Kind == TKeyKind::Bool) {
            EXPECT_TRUE(key->IntDefault == 0 || key->IntDefault == 1) << id;
        }
    }
    EXPECT_EQ(Keys::Colors.BinarySize, 72);
    EXPECT_EQ(Keys::MinTextSectionAngle.BinarySize, 8);
}

TEST(ConfigKeyTable, OptionSetsFollowTheTableInOrder) {
    TProgramSettings s;
    ASSERT_EQ(s.OptionsSet.Items().size(), 16u);
    ASSERT_EQ(s.DesktopSet.Items().size(), 5u);
    auto keys = AllConfigKeys();
    for (size_t i = 0; i < 16; ++i)
        EXPECT_EQ(s.OptionsSet.Items()[i]->Name, QString::fromLatin1(keys[i]->Name));
    const char* desktop[] = {"ViewToolbar", "ViewStatusBar", "ViewFolderTree",
                             "PieSectionSizeWindow", "ShowSurvey"};
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(s.DesktopSet.Items()[i]->Name, QString::fromLatin1(desktop[i]));
}

} // namespace
