// The one-value helpers and where the store lives.
#include "SettingsTestEnv.h"

#include "settings/ConfigKeys.h"

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
    WriteIntValue(Keys::FoldersDisplayTopX, 250);
    WriteBoolValue(Keys::ShowFullPath, false);
    WriteIntValue(Keys::BarChartBoxLeft, -40);
    QByteArray text = ReadFile();
    EXPECT_TRUE(text.contains("[Options]\nFoldersDisplayTopX=250\n")) << text.constData();
    EXPECT_TRUE(text.contains("ShowFullPath=0\n"));
    EXPECT_TRUE(text.contains("Left=-40\n"));
    EXPECT_EQ(ReadIntValue(Keys::FoldersDisplayTopX), 250);
    EXPECT_FALSE(ReadBoolValue(Keys::ShowFullPath));
    EXPECT_EQ(ReadIntValue(Keys::BarChartBoxLeft), -40);
}

TEST_F(StoreTest, AbsentOrNonNumericGivesTheDefault) {
    EXPECT_EQ(ReadIntValue(Keys::GraphWidth, 123), 123);
    EXPECT_EQ(ReadIntValue(Keys::DesktopLeft), AbsentValue);
    EXPECT_TRUE(ReadBoolValue(Keys::IncludeSubfolders));
    WriteFile("[BarChartBox]\nGraphWidth=wide\nIncludeSubfolders=\n");
    EXPECT_EQ(ReadIntValue(Keys::GraphWidth, 123), 123);
    EXPECT_TRUE(ReadBoolValue(Keys::IncludeSubfolders));
    EXPECT_EQ(ReadIntValue(QStringLiteral("Software\\Fenwright\\Quillmere 3"),
                           QStringLiteral("BarChartBox"), QStringLiteral("GraphWidth"), 7),
              7);
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
        EXPECT_EQ(ReadIntValue(c.Key), c.Expected) << c.Key.Name << "=" << c.Stored;
    }
}

TEST_F(StoreTest, BinaryValuesReportTheirSizeAndRefuseWhatDoesNotFit) {
    const QString key = QString::fromLatin1(ProductKey);
    const QString section = QStringLiteral("Options");
    char buffer[8] = {};
    EXPECT_EQ(ReadBinaryValue(key, section, QStringLiteral("Blob"), 8, buffer), 0);

    WriteBinaryValue(key, section, QStringLiteral("Blob"), 3, "\x01\x00\x02");
    EXPECT_EQ(ReadBinaryValue(key, section, QStringLiteral("Blob"), 8, buffer), 3);
    EXPECT_EQ(QByteArray(buffer, 3), QByteArray("\x01\x00\x02", 3));

    WriteBinaryValue(key, section, QStringLiteral("Blob"), 8, "\x01\x02\x03\x04\x05\x06\x07\x08");
    char small[4] = {};
    EXPECT_THROW(ReadBinaryValue(key, section, QStringLiteral("Blob"), 4, small), TSettingsError);

    WriteIntValue(key, section, QStringLiteral("Blob"), 5);
    EXPECT_THROW(ReadBinaryValue(key, section, QStringLiteral("Blob"), 8, buffer), TSettingsError);

    // The table form wants exactly the table's size and leaves the buffer
    // alone otherwise.
    double angle = 42;
    WriteBinaryValue(key, section, QStringLiteral("MinTextSectionAngle"), 3, "abc");
    EXPECT_FALSE(ReadBinaryValue(Keys::MinTextSectionAngle, &angle));
    EXPECT_EQ(angle, 42);
}

TEST_F(StoreTest, StringValuesKeepSeparatorsAndNonLatinText) {
    QString value = QStringLiteral("/media/ånna/USB,2;/mnt/ディスク");
    WriteStrValue(Keys::DrivesToAutoScan, value);
    EXPECT_EQ(ReadStrValue(Keys::DrivesToAutoScan), value);
}

} // namespace
