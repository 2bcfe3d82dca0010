// The "Wasted & Drive Info" window: what it shows, its menu, and the setting
// that remembers whether the user closed it.
#include "ui/charts/SectionSizeBox.h"
#include "settings/ColorTable.h"
#include "settings/ProgramSettings.h"
#include "ui/charts/SimplePieGauge.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

#include <gtest/gtest.h>

namespace {

TEST(SectionSizeBox, StartsEmptyOnTopAtItsDefaultWidth) {
    TProgramSettings settings;
    TSectionSizeBox box(settings);
    EXPECT_EQ(box.width(), TSectionSizeBox::DefaultWidth);
    EXPECT_EQ(box.gaugeWasted->Progress(), 0);
    EXPECT_EQ(box.gaugeDriveFreeSpace->Progress(), 0);
    EXPECT_TRUE(box.txtWasted->text().isEmpty());
    EXPECT_TRUE(box.txtDriveCapacity->text().isEmpty());
    EXPECT_TRUE(box.windowFlags() & Qt::WindowStaysOnTopHint);
}

// The figures shown are the ones given, and each new folder or drive
// replaces them all: nothing of the one before is left on screen.
TEST(SectionSizeBox, ShowsTheFiguresOfTheFolderAndDriveLastGiven) {
    TProgramSettings settings;
    TSectionSizeBox box(settings);
    box.SetWasted(37, QStringLiteral("1.5 MB"));
    EXPECT_EQ(box.txtWasted->text(), QStringLiteral("1.5 MB"));
    EXPECT_EQ(box.gaugeWasted->Progress(), 37);
    box.SetWasted(5, QStringLiteral("20 KB"));
    EXPECT_EQ(box.txtWasted->text(), QStringLiteral("20 KB"));
    EXPECT_EQ(box.gaugeWasted->Progress(), 5);

    box.SetDrive(QStringLiteral("/home"), 12, QStringLiteral("12.00 GB"),
                 QStringLiteral("100.00 GB"));
    EXPECT_TRUE(box.txtDrive->toolTip().endsWith(QStringLiteral("/home")));
    EXPECT_TRUE(box.txtDriveFreeSpace->text().startsWith(QStringLiteral("12.00 GB")));
    EXPECT_EQ(box.txtDriveCapacity->text(), QStringLiteral("100.00 GB"));
    EXPECT_EQ(box.gaugeDriveFreeSpace->Progress(), 12);
    box.SetDrive(QStringLiteral("/data"), 80, QStringLiteral("3.00 GB"), QStringLiteral("4.00 GB"));
    EXPECT_TRUE(box.txtDrive->toolTip().endsWith(QStringLiteral("/data")));
    EXPECT_FALSE(box.txtDrive->toolTip().contains(QStringLiteral("/home")));
    EXPECT_TRUE(box.txtDriveFreeSpace->text().startsWith(QStringLiteral("3.00 GB")));
    EXPECT_FALSE(box.txtDriveFreeSpace->text().contains(QStringLiteral("12.00")));
    EXPECT_EQ(box.txtDriveCapacity->text(), QStringLiteral("4.00 GB"));
    EXPECT_EQ(box.gaugeDriveFreeSpace->Progress(), 80);

    // A root path too long for the narrow window keeps the drive's own name,
    // inside the label: the word before it goes first, then the name's end.
    box.show();
    const QFontMetrics metrics = box.txtDrive->fontMetrics();
    box.SetDrive(QStringLiteral("/tmp/x"), 12, QString(), QString());
    const QString whole = box.txtDrive->text();
    EXPECT_TRUE(whole.endsWith(QStringLiteral(" /tmp/x"))) << whole.toStdString();
    EXPECT_EQ(whole, box.txtDrive->toolTip());
    box.SetDrive(QStringLiteral("/tmp/xdrive"), 12, QString(), QString());
    EXPECT_TRUE(box.txtDrive->text().endsWith(QStringLiteral("/xdrive")))
        << box.txtDrive->text().toStdString();
    EXPECT_LE(metrics.horizontalAdvance(box.txtDrive->text()), box.txtDrive->width());
    EXPECT_TRUE(box.txtDrive->toolTip().endsWith(QStringLiteral(" /tmp/xdrive")));
    box.SetDrive(QStringLiteral("/media/anna/a-very-long-volume-name"), 12, QString(), QString());
    const QString cut = box.txtDrive->text();
    EXPECT_TRUE(cut.startsWith(QStringLiteral(".../a-"))) << cut.toStdString();
    EXPECT_LE(metrics.horizontalAdvance(cut), box.txtDrive->width());

    // An opened scan file has no free space to show: no gauge, no figure of
    // the drive before, and its path is no drive.
    box.SetDrive(QStringLiteral("/home"), 12, QStringLiteral("12.00 GB"),
                 QStringLiteral("100.00 GB"));
    const QString file = QStringLiteral("/tmp/a-scan-file-with-a-long-name.json");
    box.SetScanFile(file);
    EXPECT_EQ(box.txtDrive->toolTip(), file);
    EXPECT_FALSE(box.txtDrive->text().contains(QStringLiteral("/home")));
    EXPECT_FALSE(box.gaugeDriveFreeSpace->isVisible());
    EXPECT_FALSE(box.txtDriveFreeSpace->text().contains(QStringLiteral("12.00")));
    EXPECT_FALSE(box.txtDriveFreeSpace->text().isEmpty());
    EXPECT_TRUE(box.txtDriveCapacity->text().isEmpty());
    // A drive after it shows its gauge and figures again.
    box.SetDrive(QStringLiteral("/home"), 12, QStringLiteral("12.00 GB"), QString());
    EXPECT_TRUE(box.gaugeDriveFreeSpace->isVisible());
    EXPECT_TRUE(box.txtDriveFreeSpace->text().startsWith(QStringLiteral("12.00 GB")));
}

TEST(SectionSizeBox, GaugesTakeTheirColoursFromTheTable) {
    TProgramSettings settings;
    TSectionSizeBox box(settings);
    settings.Colors[ciPieSectionWasted] = 0x00112233;
    settings.Colors[ciPieFreeSpace] = 0x00445566;
    box.ApplyGaugeColors();
    EXPECT_EQ(box.gaugeWasted->ForeColor(), QColor(0x33, 0x22, 0x11));
    EXPECT_EQ(box.gaugeDriveFreeSpace->ForeColor(), QColor(0x66, 0x55, 0x44));
}

TEST(SectionSizeBox, DefaultSizeAndClosingByTheUser) {
    TProgramSettings settings;
    TSectionSizeBox box(settings);
    box.show();
    box.resize(300, 400);
    box.popSectionBoxDefaultSizeClick();
    EXPECT_EQ(box.size(), QSize(TSectionSizeBox::DefaultWidth, TSectionSizeBox::DefaultHeight));

    settings.PieSectionSizeWindow.Value = true;
    int closed = 0;
    QObject::connect(&box, &TSectionSizeBox::ClosedByUser, &box, [&] { ++closed; });
    box.hide(); // the program hiding it does not count
    EXPECT_TRUE(settings.PieSectionSizeWindow.Value);
    box.show();
    box.popSectionBoxHideClick();
    EXPECT_FALSE(box.isVisible());
    EXPECT_FALSE(settings.PieSectionSizeWindow.Value);
    EXPECT_EQ(closed, 1);
}

} // namespace
