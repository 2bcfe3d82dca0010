// quillmere-screenshots OUTDIR [PATH]: pictures of the main window, its pages,
// the section window, the tree bar chart, the "Scan Drives" dialog and the
// save and print dialogs on a
// real folder (default /usr), for a person to look at. PATH is shown as a
// drive of its own, so nothing needs mounting. Runs on the offscreen
// platform unless a display is chosen.
#include "shell/DrivesSelectBox.h"
#include "shell/Icons.h"
#include "shell/ItemProperties.h"
#include "shell/MessageBox.h"
#include "ui/charts/BarChartBox.h"
#include "ui/charts/SectionSizeBox.h"
#include "ui/main/FindFoldersBox.h"
#include "ui/main/MainForm.h"
#include "ui/main/PiePage.h"
#include "ui/main/SubfoldersPage.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <string>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: quillmere-screenshots OUTDIR [PATH]\n");
    return 2;
}

// Grabs every window that comes up modal, then closes it.
void GrabNextDialog(QObject* context, const QString& file) {
    QTimer::singleShot(400, context, [file] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            dialog->grab().save(file);
            dialog->close();
        }
    });
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The user's own settings stay untouched.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    InitIconThemes();
    const QStringList args = QApplication::arguments();
    if (args.size() < 2 || args.size() > 3)
        return Usage();
    const QString out = args[1];
    QDir().mkpath(out);
    const std::string source =
        QDir(args.size() == 3 ? args[2] : QStringLiteral("/usr")).absolutePath().toStdString();
    const auto shot = [&](QWidget* widget, const char* name) {
        QTest::qWait(80);
        const QString file = out + QLatin1Char('/') + QLatin1String(name);
        if (!widget->grab().save(file))
            std::fprintf(stderr, "quillmere-screenshots: cannot write %s\n", qPrintable(file));
    };

    TMainForm form;
    // The folder is a drive of its own: its subfolders belong to it.
    form.Session().SetDriveResolver([source](const std::string& path) {
        return path == source || path.rfind(source + "/", 0) == 0 ? source : std::string();
    });
    form.resize(1000, 680);
    // With nothing scanned, the window opens the "Scan Drives" dialog first.
    QTimer::singleShot(200, &form, [&] { shot(&form, "main-nothing-scanned.png"); });
    GrabNextDialog(&form, out + "/scan-drives.png");
    form.show();
    QTest::qWait(600);
    QTimer::singleShot(250, &form, [&] { shot(&form, "main-scanning.png"); });
    form.ScanOrRescanDrive(source);
    shot(&form, "main-drive.png");
    // The biggest subfolder, for pages with something to show.
    TFolderNode* root = form.CurrentNode();
    TFolderNode* biggest = nullptr;
    if (root) {
        for (const auto& child : root->Children)
            if (child->Data && (!biggest || child->Data->TreeSize > biggest->Data->TreeSize))
                biggest = child.get();
    }
    if (biggest)
        form.SelectNode(biggest);
    const std::pair<int, const char*> pages[] = {{PagePie, "page-pie.png"},
                                                 {PageFolderInfo, "page-folder-info.png"},
                                                 {PageSubfolders, "page-subfolders.png"},
                                                 {PageWasted, "page-wasted.png"},
                                                 {PageCleanUp, "page-clean-up.png"}};
    for (const auto& [page, name] : pages) {
        form.ShowPage(page);
        shot(&form, name);
    }
    form.SubfoldersPage->cbFoldersDisplayType->setCurrentIndex(DisplayTopLarge);
    form.ShowPage(PageSubfolders);
    shot(&form, "page-subfolders-top.png");
    form.ShowPage(PagePie);
    form.SectionSizeBox()->show();
    shot(form.SectionSizeBox(), "section-size.png");
    form.ClustersBoxChange(7);
    shot(&form, "page-pie-64k-clusters.png");
    form.ClustersBoxChange(0);

    GrabNextDialog(&form, out + "/tree-bar-chart.png");
    form.cmdViewBarChart->trigger();
    GrabNextDialog(&form, out + "/select-folder.png");
    form.cmdFileSelectFolder->trigger();
    // Quillmere's own search, with a pattern typed in, where the desktop has none.
    QTimer::singleShot(300, &form, [out] {
        if (auto* box = qobject_cast<TFindFoldersBox*>(QApplication::activeModalWidget())) {
            box->ediPattern->setText(QStringLiteral("*doc*"));
            box->Find(box->ediPattern->text());
            box->grab().save(out + "/find-folders.png");
            box->close();
        }
    });
    form.cmdToolsFindFiles->trigger();
    // The save dialogs of the reports and the pie, and the print dialog.
    GrabNextDialog(&form, out + "/save-report.png");
    form.cmdFileReportFolderContents->trigger();
    GrabNextDialog(&form, out + "/export-pie.png");
    form.cmdFilePieToFile->trigger();
    GrabNextDialog(&form, out + "/print.png");
    form.cmdFilePrintFolderInformation->trigger();
    GrabNextDialog(&form, out + "/properties-root-drive.png");
    ShowItemProperties("/", &form);
    std::printf("pictures in %s\n", qPrintable(out));
    return 0;
}
