// The strip above the pages: the drive box, the toolbar and the what-if
// cluster size box, which gives way when the strip is too narrow for it.
#pragma once

#include <QWidget>

class QComboBox;
class QToolBar;
class TShExDriveComboBox;

class TToolbarStrip : public QWidget {
    Q_OBJECT
public:
    explicit TToolbarStrip(QWidget* parent);

    TShExDriveComboBox& Drives() const { return *DriveBox; }
    QToolBar& Toolbar() const { return *TheToolbar; }
    QComboBox& Clusters() const { return *ClustersBox; }
    // The drive box's list made again (after a network drive came or went),
    // keeping the drive chosen.
    void RebuildDriveList();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FitClusters();

    TShExDriveComboBox* DriveBox = nullptr;
    QToolBar* TheToolbar = nullptr;
    QComboBox* ClustersBox = nullptr;
};
