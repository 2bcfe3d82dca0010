// The path ellipsis and path text conversions.
#include "shell/ShellPaths.h"

#include <QApplication>
#include <QFontMetrics>
#include <gtest/gtest.h>

namespace {

class MinimizePathTest : public ::testing::Test {
protected:
    QFontMetrics Metrics{QApplication::font()};
    int Width(const QString& text) const { return Metrics.horizontalAdvance(text); }
};

TEST_F(MinimizePathTest, CutsLeadingFoldersOneAtATime) {
    const QString path = QStringLiteral("/home/Program Files/Tools/Data/report.txt");
    const QString steps[] = {
        QStringLiteral("/.../Program Files/Tools/Data/report.txt"),
        QStringLiteral("/.../Tools/Data/report.txt"),
        QStringLiteral("/.../Data/report.txt"),
        QStringLiteral("/.../report.txt"),
        QStringLiteral(".../report.txt"),
        QStringLiteral("report.txt"),
    };
    // Each step is the first that fits a width just large enough for it.
    for (const QString& step : steps)
        EXPECT_EQ(MinimizePath(path, Metrics, Width(step)), step);
    EXPECT_EQ(MinimizePath(path, Metrics, Width(steps[0]) - 1), steps[1]);
}

TEST_F(MinimizePathTest, APathThatFitsStaysAndTheNameIsNeverCut) {
    const QString path = QStringLiteral("/usr/share/doc/readme");
    EXPECT_EQ(MinimizePath(path, Metrics, Width(path)), path);
    EXPECT_EQ(MinimizePath(path, Metrics, 1), QStringLiteral("readme"));
    EXPECT_EQ(MinimizePath(QStringLiteral("/"), Metrics, 0), QStringLiteral(""));
    EXPECT_EQ(MinimizePath(QStringLiteral("name"), Metrics, 0), QStringLiteral("name"));
}

TEST_F(MinimizePathTest, HiddenFoldersAreCutOneAtATimeLikeOthers) {
    const QString path = QStringLiteral("/home/anna/.a/.config/file");
    QString next = QStringLiteral("/.../anna/.a/.config/file");
    EXPECT_EQ(MinimizePath(path, Metrics, Width(next)), next);
    next = QStringLiteral("/.../.a/.config/file");
    EXPECT_EQ(MinimizePath(path, Metrics, Width(next)), next);
    next = QStringLiteral("/.../.config/file");
    EXPECT_EQ(MinimizePath(path, Metrics, Width(next)), next);
}

TEST(PathText, Utf8RoundTripsAndOtherBytesShowAsReplacement) {
    std::string path = "/home/anna/Gr\xc3\xbc\xc3\x9f"
                       "e";
    EXPECT_EQ(DisplayPath(path), QStringLiteral("/home/anna/Grüße"));
    EXPECT_EQ(PathBytes(DisplayPath(path)), path);
    EXPECT_EQ(DisplayPath("/caf\xe9"), QStringLiteral("/caf\uFFFD"));
}

} // namespace
