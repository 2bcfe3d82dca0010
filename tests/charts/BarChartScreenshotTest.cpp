// Pictures of the tree bar chart on a real folder, for a person to look at.
// Runs only when QUILLMERE_SCREENSHOTS names a folder to write them to; the
// folder scanned is QUILLMERE_SCREENSHOT_SOURCE (default /usr/share).
#include "engine/Scanner.h"
#include "models/BarChartRows.h"
#include "ui/charts/BarChartBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The scanner's host when no window shows the scan.
TEST(BarChartScreenshots, WindowOnARealFolder) {
    const QString out = qEnvironmentVariable("QUILLMERE_SCREENSHOTS");
    if (out.isEmpty())
        GTEST_SKIP() << "set QUILLMERE_SCREENSHOTS to a folder to take pictures";
    const QByteArray source = qEnvironmentVariableIsEmpty("QUILLMERE_SCREENSHOT_SOURCE")
                                  ? QByteArray("/usr/share")
                                  : qgetenv("QUILLMERE_SCREENSHOT_SOURCE");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());

    TFolderTree tree;
    TScanHost host;
    TScanner scanner(tree, host);
    scanner.ScanClusterSize = 4096;
    TFolderNode* root = tree.AddRoot(source.toStdString());
    ASSERT_NE(scanner.ScanFolder(source.toStdString(), root), nullptr);

    TBarChartBox box;
    box.ShowFolder(root);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    // Scroll to the first big folder below the root, so bars show.
    int big = 0;
    for (int row = 1; row < box.RowCount() && big == 0; ++row)
        if (BarRowValue(box.RowNode(row), true, true, 0) * 5 > box.Total())
            big = row;
    box.BarList->setCurrentIndex(box.BarList->model()->index(big, 0));
    QApplication::processEvents();
    box.grab().save(out + "/barchart-paths.png");

    box.chkShowFullPath->setChecked(false);
    box.resize(700, 420);
    QApplication::processEvents();
    box.grab().save(out + "/barchart-names.png");

    box.chkIncludeSubfolders->setChecked(false);
    QApplication::processEvents();
    box.grab().save(out + "/barchart-own-files.png");
    EXPECT_GT(box.RowCount(), 1);
}

} // namespace
