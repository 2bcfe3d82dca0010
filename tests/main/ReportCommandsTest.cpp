// The report commands of the real window on a folder of the test's own: the
// saved report held line by line against what the pages show, the save
// dialog's extension rules, a failing write, and printing to PDF (and, where
// a print system can be started, through CUPS to its PDF printer).
#include "WindowTest.h"
#include "common/HangFsMount.h"
#include "common/OutsideTool.h"
#include "models/SubfolderList.h"
#include "ui/charts/SimplePieGauge.h"
#include "ui/main/FolderInfoLabels.h"
#include "ui/main/FolderInfoPage.h"
#include "ui/main/PiePage.h"
#include "ui/main/SubfoldersPage.h"
#include "ui/main/WastedPage.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTableView>
#include <QTableWidget>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

QStringList FileLines(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

QString PdfText(const QString& pdf) {
    return QString::fromUtf8(ToolOutput(QStringLiteral("pdftotext"),
                                        {QStringLiteral("-layout"), pdf, QStringLiteral("-")}));
}

// Whether the PDF's pages are wider than high.
bool Landscape(const QString& pdf) {
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Page size: +([0-9.]+) x ([0-9.]+)"))
            .match(QString::fromUtf8(ToolOutput(QStringLiteral("pdfinfo"), {pdf})));
    return m.hasMatch() && m.captured(1).toDouble() > m.captured(2).toDouble();
}

QString PdfTitle(const QString& pdf) {
    return QRegularExpression(QStringLiteral("Title: +([^\n]*)"))
        .match(QString::fromUtf8(ToolOutput(QStringLiteral("pdfinfo"), {pdf})))
        .captured(1);
}

// How many words pdftotext finds on a PDF's pages.
int WordCount(const QString& pdf) {
    return static_cast<int>(
        ToolOutput(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")})
            .count("<word "));
}

// A print system of the test's own: cupsd on a socket in a temporary folder
// with one queue to cups-pdf, whose jobs land as PDF files in its anonymous
// folder. cups-pdf's backend only runs under a cupsd started as root.
class TPrintSystem {
public:
    static constexpr const char* Queue = "QuillmereTestPDF";
    static constexpr const char* Outbox = "/var/spool/cups-pdf/ANONYMOUS";

    // Empty when it runs, else why it cannot.
    QString Start(const TTempTree& temp) {
        const char* needed[] = {"/usr/sbin/cupsd", "/usr/sbin/lpadmin",
                                "/usr/lib/cups/backend/cups-pdf", Ppd};
        for (const char* file : needed)
            if (!QFile::exists(QLatin1String(file)))
                return QStringLiteral("%1 is missing (Debian cups, printer-driver-cups-pdf)")
                    .arg(QLatin1String(file));
        if (geteuid() != 0)
            return QStringLiteral("cups-pdf's backend runs only under a cupsd started as root");
        const QString dir = QString::fromStdString(temp.Path("cups"));
        for (const char* sub : {"", "/etc", "/spool", "/cache", "/run", "/tmp", "/log"})
            QDir().mkpath(dir + QLatin1String(sub));
        // Filters run as the print system's own user and need somewhere to
        // write, which they reach through the test's private folder.
        chmod(temp.Root().c_str(), 0711);
        for (const char* sub : {"", "/spool", "/cache", "/tmp"})
            QFile::setPermissions(dir + QLatin1String(sub), QFileDevice::Permissions(0x7777));
        Socket = dir + QStringLiteral("/cups.sock");
        const auto write = [](const QString& path, const QString& text) {
            QFile file(path);
            return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) == text.size();
        };
        write(dir + "/etc/cups-files.conf",
              QStringLiteral("ServerRoot %1/etc\nRequestRoot %1/spool\nCacheDir %1/cache\n"
                             "StateDir %1/run\nTempDir %1/tmp\nAccessLog %1/log/access\n"
                             "ErrorLog %1/log/error\nPageLog %1/log/page\n"
                             "ServerBin /usr/lib/cups\nDataDir /usr/share/cups\n"
                             "Sandboxing Relaxed\n")
                  .arg(dir));
        write(dir + "/etc/cupsd.conf",
              QStringLiteral("Listen %1\nPrintcap %2/printcap\nWebInterface No\n"
                             "Browsing Off\n<Location />\nOrder allow,deny\nAllow all\n"
                             "</Location>\n<Policy default>\n<Limit All>\nOrder deny,allow\n"
                             "</Limit>\n</Policy>\n")
                  .arg(Socket, dir));
        Daemon.start(QStringLiteral("/usr/sbin/cupsd"),
                     {QStringLiteral("-f"), QStringLiteral("-c"), dir + "/etc/cupsd.conf",
                      QStringLiteral("-s"), dir + "/etc/cups-files.conf"});
        for (int i = 0; i < 100 && !QFile::exists(Socket); ++i)
            QThread::msleep(50);
        if (!QFile::exists(Socket))
            return QStringLiteral("cupsd did not start");
        // Jobs of a user the system does not know go to the anonymous folder.
        qputenv("CUPS_SERVER", Socket.toLocal8Bit());
        qputenv("CUPS_USER", "quillmere-test-nobody");
        std::string failure;
        ToolOutput(QStringLiteral("/usr/sbin/lpadmin"),
                   {QStringLiteral("-p"), QLatin1String(Queue), QStringLiteral("-v"),
                    QStringLiteral("cups-pdf:/"), QStringLiteral("-E"), QStringLiteral("-P"),
                    QLatin1String(Ppd)},
                   &failure);
        if (!failure.empty())
            return QString::fromStdString(failure);
        if (!QPrinterInfo::availablePrinterNames().contains(QLatin1String(Queue)))
            return QStringLiteral("this process reached another print system first "
                                  "(each test runs alone under CTest)");
        Before = QDir(QLatin1String(Outbox)).entryList(QDir::Files);
        return {};
    }

    // The PDFs that jobs made since Start, once `count` of them are whole.
    QStringList WaitForPdfs(int count) {
        int whole = 0;
        for (int i = 0; i < 1200 && whole < count; ++i) {
            QThread::msleep(50);
            Made.clear();
            whole = 0;
            for (const QString& name : QDir(QLatin1String(Outbox)).entryList(QDir::Files)) {
                if (Before.contains(name))
                    continue;
                Made << QLatin1String(Outbox) + QLatin1Char('/') + name;
                QFile file(Made.back());
                // Ghostscript writes the trailer last.
                if (file.open(QIODevice::ReadOnly) && file.size() > 16 &&
                    file.seek(file.size() - 16) && file.read(16).contains("%%EOF"))
                    ++whole;
            }
        }
        return whole < count ? QStringList() : Made;
    }

    ~TPrintSystem() {
        for (const QString& file : Made)
            QFile::remove(file);
        if (Daemon.state() != QProcess::NotRunning) {
            Daemon.terminate();
            Daemon.waitForFinished(10000);
        }
        qunsetenv("CUPS_SERVER");
        qunsetenv("CUPS_USER");
    }

private:
    static constexpr const char* Ppd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";

    QProcess Daemon;
    QString Socket;
    QStringList Before;
    QStringList Made;
};

class ReportCommandsTest : public TWindowTest {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        MakeDrive();
        Temp.MakeFile("drive/A/one/f", 5000);
        Temp.MakeFile("drive/A/two, too/g", 123456);
        Temp.MakeFile("drive/A/three/h", 10);
        Temp.MakeFile("drive/A/own.txt", 77);
        Temp.MakeDir("out");
        MakeForm();
        Form->Session().ScanOrRescanDrive(Root);
        Select("A");
    }
    void TearDown() override {
        TWindowTest::TearDown();
        QLocale::setDefault(Previous);
    }

    // Triggers `command` and answers its save dialog with `name` under the
    // filter `filter`.
    void SaveThroughDialog(QAction* command, const QString& name, int filter) {
        bool answered = false;
        QTimer::singleShot(0, Form.get(), [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            dialog->selectNameFilter(dialog->nameFilters().value(filter));
            emit dialog->filterSelected(dialog->nameFilters().value(filter));
            dialog->selectFile(name);
            QMetaObject::invokeMethod(dialog, "accept");
            answered = true;
        });
        command->trigger();
        EXPECT_TRUE(answered);
    }

    QString Figure(QLabel* label) {
        return label->text() + QStringLiteral(" (") + label->toolTip() + QLatin1Char(')');
    }

    QLocale Previous;
};

TEST_F(ReportCommandsTest, SavedReportSaysWhatThePagesShow) {
    Form->ShowPage(PageFolderInfo);
    const std::string out = Temp.Path("out/report");
    SaveThroughDialog(Action("cmdFileReportFolderInformation"), QString::fromStdString(out), 0);
    EXPECT_EQ(Form->CurrentPage(), PageFolderInfo);
    const QStringList lines = FileLines(out + ".txt");
    ASSERT_GT(lines.size(), 40);
    // The report was written without showing a page; the pages, shown now,
    // must say the same.
    for (int page : {PagePie, PageWasted, PageFolderInfo})
        Form->ShowPage(page);

    // Each line as the page that shows it has it, in the report's order.
    const TPiePage& pie = Part<TPiePage>();
    const TFolderInfoPage& info = Part<TFolderInfoPage>();
    const TWastedPage& wasted = Part<TWastedPage>();
    QStringList expected{pie.txtWebFolderType->text() + QLatin1Char(' ') +
                             pie.txtWebFolderName->text(),
                         QStringLiteral("Location: ") + QString::fromStdString(Root + "/A"),
                         QString(), QStringLiteral("Tree (Folder + Subfolders)")};
    const char* prefixes[] = {"-> Size: ", "-> Allocated: ", "-> Wasted: ", "-> Objects: "};
    QLabel* tree[] = {info.txtWebTreeInfoSize, info.txtWebTreeInfoAllocated,
                      info.txtWebTreeInfoWasted, info.txtWebTreeInfoObjects};
    QLabel* own[] = {info.txtWebFolderInfoSize, info.txtWebFolderInfoAllocated,
                     info.txtWebFolderInfoWasted, info.txtWebFolderInfoObjects};
    for (int i = 0; i < 4; ++i)
        expected << QLatin1String(prefixes[i]) + Figure(tree[i]);
    expected << QStringLiteral("Folder");
    for (int i = 0; i < 4; ++i)
        expected << QLatin1String(prefixes[i]) + Figure(own[i]);
    expected << QString();
    for (int r = 0; r < info.gridFolderInfo->rowCount(); ++r)
        expected << info.gridFolderInfo->item(r, 0)->text() + (r == 6 ? "" : ":") + " " +
                        info.gridFolderInfo->item(r, 1)->text();
    const qsizetype first = lines.indexOf(expected.front());
    ASSERT_GT(first, 0) << expected.front().toStdString();
    EXPECT_EQ(lines.mid(first, expected.size()), expected);

    const qsizetype heading = lines.indexOf(wasted.txtWebWastedAmount->text());
    ASSERT_GT(heading, first);
    EXPECT_EQ(lines[heading + 1], wasted.txtWebWastedPath->FullText());
    EXPECT_EQ(lines[heading + 2], wasted.txtWebWastedAtDiff->text());
    for (int i = 0; i < 7; ++i) {
        const QString row = lines[heading + 6 + i];
        EXPECT_TRUE(row.contains(QLatin1Char(' ') + wasted.capWasted[i]->text() + "  "))
            << row.toStdString();
        EXPECT_TRUE(row.contains(QLatin1Char(' ') + wasted.capWasted[i]->toolTip() + "  "))
            << row.toStdString();
        EXPECT_TRUE(row.contains(QLatin1Char(' ') + Figure(wasted.txtWasted[i]) + "  "))
            << row.toStdString();
        EXPECT_TRUE(row.endsWith(QLatin1Char(' ') +
                                 QString::number(wasted.WastedInd[i]->Progress()) + "%"));
        EXPECT_EQ(row.startsWith(QStringLiteral("->")),
                  wasted.capWasted[i]->toolTip() ==
                      QString::number(Form->CurrentClusterSize()) + " bytes");
    }

    // The list follows, row for row as the page lists it.
    const TSubfolderListModel& list = Part<TSubfoldersPage>().List();
    ASSERT_EQ(list.RowCount(), 3);
    const qsizetype header =
        lines.indexOf(QStringLiteral("Note: -> indicates the sort column")) + 3;
    ASSERT_EQ(lines.size(), header + 1 + list.RowCount());
    EXPECT_TRUE(lines[header].startsWith(list.Caption(0)));
    for (int r = 0; r < list.RowCount(); ++r) {
        EXPECT_TRUE(lines[header + 1 + r].startsWith(list.Text(r, 0) + "  "));
        EXPECT_TRUE(lines[header + 1 + r].endsWith(" " + list.Text(r, 7)));
    }
}

TEST_F(ReportCommandsTest, ListDialogExtensionsAndFailures) {
    Form->ShowPage(PagePie);
    // A bare name gets the filter's extension; the formatted filter writes
    // the aligned layout into a .txt file.
    SaveThroughDialog(Action("cmdFileReportFolderContents"),
                      QString::fromStdString(Temp.Path("out/aligned")), 2);
    const QStringList aligned = FileLines(Temp.Path("out/aligned.txt"));
    ASSERT_EQ(aligned.size(), 5 + 1 + 3);
    EXPECT_EQ(aligned[0], QString::fromStdString("Subfolders of " + Root + "/A"));
    // A name with its own extension keeps it, whatever the filter.
    SaveThroughDialog(Action("cmdFileReportFolderContents"),
                      QString::fromStdString(Temp.Path("out/values.txt")), 0);
    const QStringList values = FileLines(Temp.Path("out/values.txt"));
    ASSERT_EQ(values.size(), 4);
    EXPECT_TRUE(values.join('\n').contains("\"two, too\","));
    SaveThroughDialog(Action("cmdFileReportFolderContents"),
                      QString::fromStdString(Temp.Path("out/bare")), 0);
    EXPECT_EQ(FileLines(Temp.Path("out/bare.csv")), values);
    EXPECT_EQ(Form->CurrentPage(), PagePie);

    // A full disk is told as a failed report, and the page comes back.
    Boxes.ClearShown();
    EXPECT_FALSE(Part<TReportCommands>().SaveSubfolderList("/dev/full", 1));
    EXPECT_FALSE(Part<TReportCommands>().SaveFolderReport(Temp.Path("out")));
    ASSERT_EQ(Boxes.Shown().size(), 2u);
    for (const TShownMessage& box : Boxes.Shown()) {
        EXPECT_EQ(box.Kind, TMessageKind::Error);
        EXPECT_EQ(box.Text, QStringLiteral("Generating report failed"));
        EXPECT_FALSE(box.Details.isEmpty());
    }
    EXPECT_EQ(Form->CurrentPage(), PagePie);
}

TEST_F(ReportCommandsTest, AReportToADriveThatStopsAnsweringFailsWithoutHangingTheWindow) {
    THangFsMount share;
    if (!share.Mounted())
        GTEST_SKIP() << share.Why();
    bool painted = false;
    QTimer::singleShot(300, Form.get(), [&painted] { painted = true; });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(
        Part<TReportCommands>().SaveSubfolderList(share.Root() + "/stuck/dead/list.csv", 0));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(painted) << "the window's events did not run while the file was written";
    ASSERT_EQ(Boxes.Shown().size(), 1u);
    EXPECT_EQ(Boxes.Shown()[0].Text, QStringLiteral("Generating report failed"));
    EXPECT_TRUE(Boxes.Shown()[0].Details.contains(QStringLiteral("does not answer")));
}

TEST_F(ReportCommandsTest, PrintsTwoJobsInTheirOrientations) {
    if (!MissingTool({QStringLiteral("pdftotext"), QStringLiteral("pdfinfo")}).isEmpty())
        GTEST_SKIP() << "pdftotext and pdfinfo (Debian poppler-utils) are not installed";
    // Started first: the process must not reach another print system before.
    TPrintSystem cups;
    const QString noPrintSystem = cups.Start(Temp);

    // To Qt's own PDF output: the report in portrait, the list as a second
    // job in landscape, into a file beside the first.
    Form->ShowPage(PageWasted);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = QString::fromStdString(Temp.Path("out/printed.pdf"));
    const QString second = QString::fromStdString(Temp.Path("out/printed-subfolders.pdf"));
    printer.setOutputFileName(pdf);
    ASSERT_TRUE(Part<TReportCommands>().PrintFolderInformation(printer));
    EXPECT_EQ(Form->CurrentPage(), PageWasted);
    const QString report = PdfText(pdf);
    EXPECT_FALSE(Landscape(pdf));
    EXPECT_TRUE(report.contains(QStringLiteral("-> indicates the actual wasted space")));
    // Printed, the report leaves the list's heading to the second job.
    EXPECT_FALSE(report.contains(QStringLiteral("-> indicates the sort column")));
    const QString list = PdfText(second);
    EXPECT_TRUE(Landscape(second));
    EXPECT_TRUE(list.contains(QString::fromStdString("Subfolders of " + Root + "/A")));
    EXPECT_TRUE(list.contains(QStringLiteral("two, too")));
    // Titled as the print dialog names them, also when no dialog was shown
    // (a report run).
    EXPECT_EQ(PdfTitle(pdf), QStringLiteral("Report on A"));
    EXPECT_EQ(PdfTitle(second), QStringLiteral("Report on A"));

    if (!noPrintSystem.isEmpty())
        GTEST_SKIP() << "no print system: " << noPrintSystem.toStdString();
    QPrinter queue(QPrinterInfo::printerInfo(QLatin1String(TPrintSystem::Queue)),
                   QPrinter::HighResolution);
    ASSERT_TRUE(Part<TReportCommands>().PrintFolderInformation(queue));
    const QStringList pdfs = cups.WaitForPdfs(2);
    ASSERT_EQ(pdfs.size(), 2) << "the print system made no PDF of both jobs";
    // cups-pdf's PDFs lose the characters' identity (pdftotext reads other
    // glyphs), but not where they stand: the report in lines along the page,
    // nearly word for word as in Qt's PDF; the list turned across the page,
    // where every character stands alone.
    const int reportWords = WordCount(pdf);
    const int listCharacters =
        static_cast<int>(QString(list).remove(QRegularExpression(QStringLiteral("\\s"))).size());
    ASSERT_GT(reportWords, 100);
    const int words[] = {WordCount(pdfs[0]), WordCount(pdfs[1])};
    const int first = std::abs(words[0] - reportWords) <= std::abs(words[1] - reportWords) ? 0 : 1;
    // Glyphs that cups-pdf sets tight can join or part a word here and there.
    EXPECT_NEAR(words[first], reportWords, reportWords / 25);
    EXPECT_NEAR(words[1 - first], listCharacters, listCharacters / 25);
}

} // namespace
