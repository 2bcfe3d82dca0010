// The "Pie Chart" page: the current folder as a pie of its subfolders and
// files, with a header describing the item under the mouse. Which sections the
// pie has is decided by BuildPieContent; this page draws them, follows the
// mouse and moves through the tree from the pie.
#pragma once

#include "models/PieContent.h"
#include "ui/charts/HPieChart.h"
#include "ui/main/ContentPage.h"
#include "ui/main/PieBitmap.h"

#include <QCursor>
#include <QPixmap>

#include <cstdint>
#include <string>

class QLabel;
class TFolderNode;
class TPieDisplay;
class TSimplePieGauge;

// The pie the user asked for in the settings.
TPieOptions PieOptionsFromSettings(const TProgramSettings& settings);

class TPiePage : public TContentPage {
    Q_OBJECT
public:
    TPiePage(TPageHost& host, QWidget* parent);
    ~TPiePage() override;

    void Fill() override;
    void Layout() override;

    // Rebuilds every section for node, painting once at the end.
    void BuildPie(TFolderNode* node);
    // Forgets every section: they point at nodes that are about to go.
    void Clear();
    void UpdateSectionHeader(const TPieItem& item);
    // What the pie shows: item 0 is the folder itself, each section refers
    // to one of the others.
    const TPieContent& Content() const { return Shown; }
    // The item the mouse last pointed at (the folder itself outside the disc).
    const TPieItem& PointedItem() const { return Shown.Items.at(std::size_t(Pointed)); }
    // Colours of the chart and of the header gauge from the colour table.
    void ApplyColors();

    THPieChart& Chart() { return PieChart; }
    // Where the chart's own co-ordinates start on FolderPie.
    QPoint ChartOrigin() const { return Surface.ChartOrigin(); }
    int HighlightedIndex() const { return Highlighted; }
    // The shape shown over the pie for a cursor number (0, 5 or 6).
    QCursor CursorShape(int number) const;

    // Components, named as the program refers to them.
    QWidget* panPieSectionHeader = nullptr;
    QLabel* imgIcon = nullptr;
    QLabel* txtWebFolderType = nullptr;
    QLabel* txtWebFolderName = nullptr;
    QLabel* txtWebFolderSize = nullptr;
    // Under the size while an earlier scan is compared: the item's change.
    QLabel* txtWebFolderChange = nullptr;
    TSimplePieGauge* gaugeWebSection = nullptr;
    QLabel* txtWebSectionDrive = nullptr;
    QLabel* txtWebSectionDriveSize = nullptr;
    TPieDisplay* FolderPie = nullptr;

    // Handlers, named after their components.
    void FolderPieMouseMove(int x, int y);
    void FolderPieMouseDown(Qt::MouseButton button, int x, int y);
    void imgIconClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateHeader();
    // Makes item `index` the one under attention: cursor, pointed item and
    // header.
    void ShowRecord(int index);
    void OpenSubfolder(TFolderNode* node);
    void GoUpOneLevel();
    void ShowDriveLabels();
    // Sizes the chart to the largest disc whose labels stay on the display.
    void FitChart();

    // The bitmap is declared first: the chart paints on it until the end.
    TPieBitmap Surface;
    THPieChart PieChart;
    TPieContent Shown;
    int Pointed = 0;
    int Highlighted = -1;
    // The record the header shows, so that moving within one section does
    // not look the item up again.
    int HeaderRecord = -1;
    QSize LaidOutSize;
    QCursor ZoomInCursor;
    QCursor ZoomOutCursor;
    QPixmap GroupIcons[2];
};
