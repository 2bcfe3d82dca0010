// The toolbar strip's parts and their room.
#include "ui/main/ToolbarStrip.h"

#include "shell/DriveLists.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QTimer>
#include <QToolBar>

TToolbarStrip::TToolbarStrip(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ToolbarSupport"));
    auto* strip = new QHBoxLayout(this);
    strip->setContentsMargins(2, 1, 2, 1);
    strip->setSpacing(0);
    DriveBox = new TShExDriveComboBox(this);
    DriveBox->setObjectName(QStringLiteral("DriveBox"));
    DriveBox->setFixedWidth(169);
    DriveBox->setToolTip(tr("Drives List Box"));
    DriveBox->setStatusTip(tr("Select a drive and press the Scan button to scan it"));
    strip->addWidget(DriveBox);
    TheToolbar = new QToolBar(this);
    TheToolbar->setObjectName(QStringLiteral("TheToolbar"));
    TheToolbar->setIconSize(QSize(16, 16));
    TheToolbar->setStyleSheet(QStringLiteral("QToolBar { border: none; }"));
    strip->addWidget(TheToolbar);
    ClustersBox = new QComboBox(this);
    ClustersBox->setObjectName(QStringLiteral("ClustersBox"));
    ClustersBox->addItems({tr("Drive cluster size"), tr("0.5 K (high density floppy disks)"),
                           tr("2 K (CD-ROM)"), tr("4 K (FAT 128 MB - 255 MB, FAT32)"),
                           tr("8 K (FAT 256 MB - 511 MB)"), tr("16 K (FAT 512 MB - 1023 MB)"),
                           tr("32 K (FAT 1 GB - 2 GB)"), tr("64 K")});
    ClustersBox->setToolTip(tr("User Defined Cluster Size"));
    ClustersBox->setStatusTip(tr("Select a cluster size to see how the current folder would look "
                                 "on a drive with that cluster size."));
    ClustersBox->setMinimumWidth(0);
    ClustersBox->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    strip->addSpacing(4);
    strip->addWidget(ClustersBox, 1);
    strip->addSpacing(4);
}

void TToolbarStrip::RebuildDriveList() {
    const QString noted = DriveBox->Drive();
    DriveBox->BuildList();
    DriveBox->SetDrive(noted);
}

void TToolbarStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // After the layout has placed the toolbar for the new width.
    QTimer::singleShot(0, this, &TToolbarStrip::FitClusters);
}

void TToolbarStrip::FitClusters() {
    // The cluster box takes what the drive box and toolbar leave, and goes
    // away when that is too little to be of use.
    const int left = TheToolbar->geometry().right() + 4;
    const int room = width() - 4 - left;
    ClustersBox->setVisible(room >= 32);
}
