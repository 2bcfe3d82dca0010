// Report runs of the file lists on the test's drive: /RLARGE as CSV with
// /TOP, /RTYPES as aligned text, and a scan that kept no files.
#include "MainFormFixture.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

QStringList ReportLines(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

TEST_F(MainFormTest, LargestFilesAndFileTypesReportRuns) {
    Form->show();
    const QString root = QString::fromStdString(Root);

    // The two largest of the four files, largest first, with their folders;
    // the ".csv" of the output chooses the format.
    const std::string largest = Temp.Path("largest.csv");
    ASSERT_TRUE(Form->RunReportCommand({"/RLARGE", Root, largest, "/TOP:2"}));
    const QStringList rows = ReportLines(largest);
    ASSERT_EQ(rows.size(), 3) << rows.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(rows[0].startsWith(QStringLiteral("Name,Folder,Size,Allocated,Wasted,Modified")));
    EXPECT_TRUE(
        rows[1].startsWith(QStringLiteral("x,") + root + QStringLiteral("/Other,\"5 KB\",")));
    EXPECT_TRUE(
        rows[2].startsWith(QStringLiteral("big,") + root + QStringLiteral("/Temp,\"4 KB\",")));

    // Per extension in aligned text after a title and the captions; the
    // three files without an extension hold nearly all of the drive.
    ASSERT_TRUE(Form->RunReportCommand({"/RTYPES", Root, Temp.Path("types"), "/f:txt"}));
    const QStringList types = ReportLines(Temp.Path("types.txt"));
    ASSERT_EQ(types.size(), 5) << types.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(types[3].startsWith(QStringLiteral("(none) ")));
    EXPECT_TRUE(types[3].endsWith(QStringLiteral(" 99.99 %")));
    EXPECT_TRUE(types[4].startsWith(QStringLiteral(".txt ")));

    // A scan that keeps no files gives the captions and a note, no rows.
    Form->Session().Scanner().SetKeepFiles(false);
    Form->Session().RemoveDrive(Root);
    const std::string unkept = Temp.Path("unkept.csv");
    ASSERT_TRUE(Form->RunReportCommand({"/RLARGE", Root, unkept}));
    const QStringList note = ReportLines(unkept);
    ASSERT_EQ(note.size(), 2) << note.join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(note[1].startsWith(QStringLiteral("x,")));
}

} // namespace
