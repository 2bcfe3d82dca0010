// The "Folder Info" page: the figures of the current folder and of its whole
// tree, and a grid of its names, dates and attributes.
#pragma once

#include "models/FolderInfoContent.h"
#include "ui/main/ContentPage.h"

class QGridLayout;
class QLabel;
class QTableWidget;
class TClickLabel;
class TPathLabel;

class TFolderInfoPage : public TContentPage {
    Q_OBJECT
public:
    TFolderInfoPage(TPageHost& host, QWidget* parent);

    void Fill() override;
    void Layout() override;

    // What the page shows, as it was last filled.
    const TFolderInfoContent& Content() const { return Shown; }

    QWidget* panWebFolderInfoPath = nullptr;
    TClickLabel* imgWebFolderInfo = nullptr;
    QLabel* txtWebFolderInfoType = nullptr;
    TPathLabel* txtWebFolderInfoPath = nullptr;
    TClickLabel* imgTreeBarChart = nullptr;
    // Lines shown only when they have something to say: that the figures
    // are incomplete, and the change since an earlier scan.
    QLabel* txtWebFolderInfoIncomplete = nullptr;
    QLabel* txtWebFolderInfoChange = nullptr;
    QWidget* panWebFolderInfoSizeSupport2 = nullptr;
    QLabel* txtWebTreeInfoSize = nullptr;
    QLabel* txtWebTreeInfoAllocated = nullptr;
    QLabel* txtWebTreeInfoWasted = nullptr;
    QLabel* txtWebTreeInfoObjects = nullptr;
    QLabel* txtWebFolderInfoSize = nullptr;
    QLabel* txtWebFolderInfoAllocated = nullptr;
    QLabel* txtWebFolderInfoWasted = nullptr;
    QLabel* txtWebFolderInfoObjects = nullptr;
    QTableWidget* gridFolderInfo = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateFigures();
    void CreateGrid();
    void imgWebFolderInfoClick();
    void imgTreeBarChartClick();

    TFolderInfoContent Shown;
};
