// The reports on a real folder with the names that break naive writers
// (blanks, commas, quotes, tabs, line breaks, bytes that are no UTF-8, a path
// of more than 5,000 bytes), on an empty folder and on 100,000 subfolders,
// read back by readers Quillmere did not write: Python's csv module for the
// CSV and pdftotext for printed pages.
#include "common/OutsideTool.h"
#include "common/TempTree.h"
#include "engine/Formatting.h"
#include "models/ScanSession.h"
#include "models/SubfolderList.h"
#include "reports/FolderReport.h"
#include "reports/ListReports.h"
#include "reports/PagedOutput.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPdfWriter>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

class TQuietView final : public TSessionView {
public:
    bool RetryDrive(const std::string&) override { return false; }
    void Inform(const QString&) override {}
    void ScanStateChanged(bool) override {}
    void ScanReached(const std::string&) override {}
    void CurrentChanged(bool) override {}
    void ProcessEvents() override {}
};

// The lines of a report file; fails the test on a line break that is not CR LF.
QStringList ReportLines(const std::string& path) {
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
    lines.removeLast();
    for (const QString& line : lines)
        EXPECT_FALSE(line.contains(QLatin1Char('\n')) || line.contains(QLatin1Char('\r')))
            << line.toStdString();
    return lines;
}

// What Python's csv module reads from the file, row by row.
std::vector<QStringList> PythonCsvRows(const std::string& path) {
    std::string failure;
    const QByteArray json =
        ToolOutput(QStringLiteral("/usr/bin/python3"),
                   {QStringLiteral("-c"),
                    QStringLiteral("import csv, json, sys\n"
                                   "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                                   "    print(json.dumps(list(csv.reader(f))))\n"),
                    QString::fromStdString(path)},
                   &failure);
    EXPECT_EQ(failure, "");
    std::vector<QStringList> rows;
    for (const QJsonValue& row : QJsonDocument::fromJson(json).array())
        rows.push_back(row.toVariant().toStringList());
    return rows;
}

// A row as every format writes it: a folder whose figures are incomplete is
// marked after its name.
QStringList ListRow(const TSubfolderListModel& list, int row) {
    QStringList cells;
    for (int c = 0; c < SubfolderColumnCount; ++c)
        cells << (row < 0 ? list.Caption(c) : list.Text(row, c));
    if (row >= 0 && list.Row(row).Incomplete)
        cells[ColName] += QStringLiteral(" *");
    return cells;
}

// Checks every format of the list against the list itself.
void CheckListFormats(const TSubfolderListModel& list, const TTempTree& temp) {
    int incomplete = 0;
    for (int r = 0; r < list.RowCount(); ++r)
        incomplete += list.Row(r).Incomplete;
    // After the rows, when any is marked: an empty line and the mark's note.
    const int noteLines = incomplete ? 2 : 0;
    const std::string csv = temp.Path("list.csv");
    ASSERT_TRUE(WriteCsvList(list, csv));
    const std::vector<QStringList> rows = PythonCsvRows(csv);
    ASSERT_EQ(rows.size(), std::size_t(list.RowCount() + 1 + noteLines));
    for (int r = -1; r < list.RowCount(); ++r)
        ASSERT_EQ(rows[std::size_t(r + 1)], ListRow(list, r)) << "row " << r;
    EXPECT_EQ(rows.back().front().startsWith(QStringLiteral("* ")), incomplete > 0);

    const std::string tab = temp.Path("list.txt");
    ASSERT_TRUE(WriteTabList(list, tab));
    const QStringList tabLines = ReportLines(tab);
    ASSERT_EQ(tabLines.size(), list.RowCount() + 1 + noteLines);
    EXPECT_EQ(tabLines.back().startsWith(QStringLiteral("* ")), incomplete > 0);
    for (int r = -1; r < list.RowCount(); ++r) {
        const QStringList fields = tabLines[r + 1].split(QLatin1Char('\t'));
        ASSERT_EQ(fields.size(), SubfolderColumnCount + 1) << tabLines[r + 1].toStdString();
        // Tabs and line breaks in names cannot be carried; they show as U+FFFD.
        const QStringList cells = ListRow(list, r).replaceInStrings(
            QRegularExpression(QStringLiteral("[\\x00-\\x1f]")), QString(QChar(0xFFFD)));
        EXPECT_EQ(fields.mid(0, SubfolderColumnCount), cells);
    }

    const std::string formatted = temp.Path("list.prn");
    ASSERT_TRUE(WriteFormattedList(QStringLiteral("/some/folder"), list, formatted, false));
    const QStringList lines = ReportLines(formatted);
    ASSERT_EQ(lines.size(), 5 + 1 + list.RowCount() + noteLines);
    EXPECT_EQ(lines[0], QStringLiteral("Subfolders of /some/folder"));
    EXPECT_EQ(lines.back().startsWith(QStringLiteral("* ")), incomplete > 0);
    // Every row is as wide as the header, and each cell ends where its
    // caption ends.
    const QString& header = lines[5];
    for (int r = 0; r < list.RowCount(); ++r) {
        const QString& line = lines[6 + r];
        ASSERT_EQ(line.toUcs4().size(), header.toUcs4().size()) << line.toStdString();
        EXPECT_TRUE(line.endsWith(list.Text(r, SubfolderColumnCount - 1)));
        EXPECT_EQ(line.contains(OneLine(list.Text(r, ColName)) + QStringLiteral(" *")),
                  list.Row(r).Incomplete)
            << line.toStdString();
    }
}

// A chain of `levels` folders named `name` below `base`, made with openat so
// that the path may run past PATH_MAX; returns the relative path.
std::string MakeDeepChain(const std::string& base, const std::string& name, int levels) {
    int fd = open(base.c_str(), O_RDONLY | O_DIRECTORY);
    std::string relative;
    for (int i = 0; i < levels && fd >= 0; ++i) {
        mkdirat(fd, name.c_str(), 0755);
        const int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
        relative += (i ? "/" : "") + name;
    }
    if (fd >= 0) {
        const int file = openat(fd, "leaf", O_WRONLY | O_CREAT, 0644);
        EXPECT_EQ(ftruncate(file, 777), 0);
        close(file);
        close(fd);
    }
    return relative;
}

class ReportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Root = Temp.Path("drive");
        Session.SetDriveResolver([this](const std::string&) { return Root; });
    }
    void TearDown() override { QLocale::setDefault(Previous); }

    TTempTree Temp;
    std::string Root;
    TQuietView View;
    TScanSession Session{View};
    QLocale Previous;
};

TEST_F(ReportsTest, OddNamesStayReadableInEveryFormat) {
    const std::string names[] = {"My Documents",
                                 "a,b",
                                 "say \"hi\"",
                                 "tab\there",
                                 "new\nline\r",
                                 "raw\xff\xfe!",
                                 "exactly14chars",
                                 "fifteen_chars__",
                                 "\xf0\x9f\x93\x81 emoji folder"};
    std::int64_t size = 1000;
    for (const std::string& name : names)
        Temp.MakeFile("drive/" + name + "/f", size += 4099);
    Temp.MakeDir("drive/empty");
    Temp.MakeDir("drive/deep");
    const std::string deep =
        "deep/" + MakeDeepChain(Temp.Path("drive/deep"), std::string(250, 'd'), 21);
    ASSERT_TRUE(Session.SelectPath(Root));
    TFolderNode* root = Session.Current();
    ASSERT_TRUE(root && root->Data);

    // As the scan marks a folder with something unreadable below it.
    FindChildNode(root, "a,b", true)->Set(NodeIncompleteBelow);
    TSubfolderListModel list;
    TSubfolderFilter all;
    list.Fill(*root, all);
    ASSERT_EQ(list.RowCount(), 11);
    list.Sort(-(ColSize + 1));
    CheckListFormats(list, Temp);

    // An empty folder still gets its captions in every format.
    list.Fill(*FindChildNode(root, "empty", true), all);
    ASSERT_EQ(list.RowCount(), 0);
    CheckListFormats(list, Temp);

    // The folder report of a folder more than 5,000 bytes deep, on a file:
    // the whole path, no line broken, the list appended after the heading.
    TFolderNode* bottom = FindNodeByPath(root, deep, true);
    ASSERT_TRUE(bottom && bottom->Data);
    const std::string path = NodePath(bottom);
    ASSERT_GT(path.size(), 5000u);
    const TFolderReport report = FolderReportContent(*bottom, 0, Session.CurrentClusterSize());
    list.Fill(*bottom, all);
    const std::string file = Temp.Path("report.txt");
    ASSERT_TRUE(WriteFolderReport(report, list, file));
    const QStringList lines = ReportLines(file);
    EXPECT_TRUE(lines.contains(QStringLiteral("Location: ") + DisplayText(path)));
    EXPECT_TRUE(lines.contains(QStringLiteral("Subfolders of ") + DisplayText(path)));
    const qsizetype heading = lines.indexOf(QStringLiteral("Subfolders"));
    ASSERT_GT(heading, 0);
    EXPECT_EQ(lines.size() - lines.indexOf(QStringLiteral("Subfolders of ") + DisplayText(path)),
              6);
    // The drive's own cluster size is marked on exactly the row of its size,
    // and the rows of the table line up.
    const qsizetype table = lines.indexOf(QRegularExpression(QStringLiteral(" +Cluster size.*")));
    ASSERT_GT(table, 0);
    int marked = 0;
    for (qsizetype i = table + 2; i < table + 9; ++i) {
        EXPECT_EQ(lines[i].size(), lines[table + 2].size()) << lines[i].toStdString();
        EXPECT_TRUE(lines[i].endsWith(QLatin1Char('%'))) << lines[i].toStdString();
        if (lines[i].startsWith(QStringLiteral("->"))) {
            ++marked;
            EXPECT_TRUE(
                lines[i].contains(QStringLiteral(" %1 bytes ").arg(Session.CurrentClusterSize())))
                << lines[i].toStdString();
        }
    }
    EXPECT_EQ(marked, Session.CurrentClusterSize() == 1024 ? 0 : 1);

    // Printed: the same report on pages of a PDF, read back by pdftotext.
    if (!MissingTool({QStringLiteral("pdftotext")}).isEmpty())
        GTEST_SKIP() << "pdftotext (Debian poppler-utils) is not installed";
    const QString pdf = QString::fromStdString(Temp.Path("printed.pdf"));
    {
        QPdfWriter writer(pdf);
        writer.setPageOrientation(QPageLayout::Landscape);
        list.Fill(*root, all);
        TPagedOutput out(writer, ReportPrintFont());
        WriteFormattedList(QString::fromStdString(Root), list, out);
        WriteFolderReport(report, out);
        EXPECT_TRUE(out.Close());
        EXPECT_GE(out.PageCount(), 2);
    }
    const QString printed = QString::fromUtf8(ToolOutput(
        QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}));
    EXPECT_TRUE(printed.contains(QStringLiteral("exactly14chars ")));
    EXPECT_TRUE(printed.contains(QStringLiteral("fifteen_cha...")));
    EXPECT_FALSE(printed.contains(QStringLiteral("fifteen_chars")));
    EXPECT_TRUE(printed.contains(QStringLiteral("-> indicates the actual wasted space")));
    // The long location went on over several printed lines, none lost.
    const QRegularExpression blanks(QStringLiteral("\\s"));
    const QString location = QStringLiteral("Location:") + DisplayText(path);
    EXPECT_TRUE(QString(printed).remove(blanks).contains(location));
}

TEST_F(ReportsTest, PrintedReplacementMarkKeepsClearOfItsNeighbours) {
    // A name's bytes that are no text print as U+FFFD; printed full size the
    // mark runs into the letters beside it.
    if (!MissingTool({QStringLiteral("pdftoppm")}).isEmpty())
        GTEST_SKIP() << "pdftoppm (Debian poppler-utils) is not installed";
    const QString pdf = QString::fromStdString(Temp.Path("mark.pdf"));
    {
        QPdfWriter writer(pdf);
        TPagedOutput out(writer, ReportPrintFont());
        out.WriteLine(DisplayText("M\xE9W\xFFm"));
        ASSERT_TRUE(out.Close());
    }
    const QString png = QString::fromStdString(Temp.Path("mark"));
    ToolOutput(QStringLiteral("pdftoppm"),
               {QStringLiteral("-r"), QStringLiteral("150"), QStringLiteral("-W"),
                QStringLiteral("250"), QStringLiteral("-H"), QStringLiteral("50"),
                QStringLiteral("-gray"), QStringLiteral("-singlefile"), QStringLiteral("-png"), pdf,
                png});
    const QImage page(png + QStringLiteral(".png"));
    ASSERT_FALSE(page.isNull());
    // The line's start, as a viewer shows it: columns with ink, in runs, one
    // per character when none touches another.
    int runs = 0;
    bool inked = false;
    for (int x = 0; x < page.width(); ++x) {
        bool any = false;
        for (int y = 0; y < page.height() && !any; ++y)
            any = qGray(page.pixel(x, y)) < 200;
        runs += any && !inked;
        inked = any;
    }
    EXPECT_EQ(runs, 5);
}

TEST_F(ReportsTest, WritingFailsLoudly) {
    Temp.MakeFile("drive/a/f", 10);
    ASSERT_TRUE(Session.SelectPath(Root));
    TSubfolderListModel list;
    list.Fill(*Session.Current(), {});
    // A full disk, a folder in the way, a folder that is missing: each
    // report fails with a reason rather than leaving a short file behind in
    // silence.
    const auto failed = [](const TStatus& written) {
        return !written && !written.Failure().Text.empty();
    };
    EXPECT_TRUE(failed(WriteCsvList(list, std::string("/dev/full"))));
    EXPECT_TRUE(failed(WriteTabList(list, Temp.Path("drive/a"))));
    EXPECT_TRUE(failed(WriteFormattedList(QString(), list, Temp.Path("nowhere/x.txt"), true)));
    const TFolderReport report = FolderReportContent(*Session.Current(), 0, 4096);
    EXPECT_TRUE(failed(WriteFolderReport(report, list, "/dev/full")));

    // The failure names the file and keeps the system's error number, from
    // the creating and from the writing alike.
    const std::string nowhere = Temp.Path("nowhere/x.txt");
    const TStatus missing = WriteCsvList(list, nowhere);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.Failure().Errno, ENOENT);
    EXPECT_EQ(missing.Failure().Path, nowhere);
    EXPECT_EQ(missing.Failure().Describe().rfind(nowhere + ": ", 0), 0u)
        << missing.Failure().Describe();
    const TStatus full = WriteFolderReport(report, list, "/dev/full");
    ASSERT_FALSE(full);
    EXPECT_EQ(full.Failure().Errno, ENOSPC);
    EXPECT_EQ(full.Failure().Path, "/dev/full");

    // A print job that cannot start takes the report's lines and fails at
    // its end with its first failure.
    QPdfWriter unwritable(QString::fromStdString(Temp.Path("nowhere/printed.pdf")));
    TPagedOutput printed(unwritable, ReportPrintFont());
    WriteFolderReport(report, printed);
    const TStatus ended = printed.Close();
    ASSERT_FALSE(ended);
    EXPECT_FALSE(ended.Failure().Text.empty());
}

TEST_F(ReportsTest, HundredThousandSubfoldersLoseNoLine) {
    // Built in memory: the writers' work, not the scanner's, is what grows.
    TFolderNode root;
    root.Name = "/big";
    root.Data = std::make_unique<TFolderSize>();
    for (int i = 0; i < 100000; ++i) {
        auto child = std::make_unique<TFolderNode>();
        child->Parent = &root;
        child->Name = "folder, \"" + std::to_string(i) + "\"";
        child->Data = std::make_unique<TFolderSize>();
        child->Data->TreeSize = i * 37;
        root.Data->TreeSize += i * 37;
        root.Children.push_back(std::move(child));
    }
    root.RenumberChildren();
    TSubfolderListModel list;
    list.Fill(root, {});
    ASSERT_EQ(list.RowCount(), 100000);
    CheckListFormats(list, Temp);
}

} // namespace
