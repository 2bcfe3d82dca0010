// The flat pie chart of the pie page and the picture exports: ordered
// sections drawn on a surface the chart does not own, boxed labels joined to
// the rim by leader lines, one label highlighted on demand, and the mapping of
// a mouse position back to the section under it.
//
// Angles are degrees; 0 is 12 o'clock and angles grow counter-clockwise on
// screen (90 left, 180 bottom, 270 right). The geometry is integer pixels, so
// hit-testing agrees with what was drawn whatever the surface.
#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <memory>
#include <vector>

class TChartDisplay;
class TDrawSurface;
class TFolderNode;

struct TPieSection {
    double Angle = 0.0;
    QString Caption; // empty: no label
    QColor Color{Qt::black};
    int Item = 0;    // the item it stands for, in the list of whoever fills the chart
    QPoint LabelPos; // top-left of the caption, set by Paint
    // The caption as the label shows it: shortened where the room beside the
    // disc is narrower. Set by Paint.
    QString ShownCaption;
    // Where the leader line from the section's rim ends, set by Paint.
    QPoint LeaderEnd;
    // Whether the last Paint labelled the section; a label is only ever
    // redrawn where it was placed.
    bool Labelled = false;
};

// The pie chart itself: lays out sections and labels for a size, paints them
// on a surface it is given, and answers which section lies under a point.
class THPieChart {
public:
    static constexpr int HorizontalMargin = 50;
    static constexpr int VerticalMargin = 20;
    static constexpr int LeaderLength = 10;

    // Nothing is painted until the first change or EndUpdate.
    THPieChart(TDrawSurface* canvas, int width, int height);
    ~THPieChart();
    THPieChart(const THPieChart&) = delete;
    THPieChart& operator=(const THPieChart&) = delete;

    // Nothing is painted while the counter is above 0; the EndUpdate that
    // brings it to 0 (or finds it at 0) paints and shows the chart.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return UpdateCounter; }

    TDrawSurface* Canvas() const { return CanvasValue; }
    void SetCanvas(TDrawSurface* canvas);
    // Lays the disc out again; does not paint.
    void SetSize(int width, int height);
    void SetColors(const QColor& background, const QColor& lines, const QColor& base);
    const QColor& BackgroundColor() const { return Background; }
    void SetLabelColors(const QColor& box, const QColor& border, const QColor& text,
                        const QColor& highlightedBox, const QColor& highlightedBorder,
                        const QColor& highlightedText);

    TPieSection* AddSection(const QString& caption, const QColor& color, double angle);
    void Clear();
    // By angle, largest first when `descending`; equal angles in no set order.
    void Sort(bool descending);

    void Paint();
    void DrawSectionLabel(int index, bool highlighted);

    // Index of the section under the point, or -1 outside the disc or in a
    // gap the sections leave. A point on the rim is inside.
    int SectionAt(int x, int y) const;
    // Whole-degree angle of the point seen from the centre, 0 to 360; straight
    // up gives 360, not 0, and the centre itself gives 271.
    int AngleAtPoint(int x, int y) const;
    TPieSection* GetSection(int index) const;
    int SectionCount() const { return int(Sections.size()); }

    int Width() const { return WidthValue; }
    int Height() const { return HeightValue; }
    // The disc's bounding box; empty when the area is too small for a disc.
    QRect DiscRect() const { return QRect(Left, Top, DiscWidth, DiscHeight); }
    QPoint Centre() const { return QPoint(Left + Radius, Top + Radius); }
    int DiscRadius() const { return Radius; }
    // The point at `angle` degrees on a circle of `radius` around the centre.
    QPoint PointAt(double angle, int radius) const;

    // The last section ends exactly at the top, whatever the angles add to.
    bool CloseLastSection = false;
    double MinLabelAngle = 5.0;
    int HighlightIndex = -1;
    // Where labels may go, in the chart's co-ordinates: the whole picture
    // when the chart's own area sits inside a larger one. Empty: the chart's
    // own area.
    QRect LabelArea;
    // Where EndUpdate shows Picture and label changes are copied; not owned.
    TChartDisplay* Display = nullptr;
    const QImage* Picture = nullptr;

private:
    bool HasDisc() const { return DiscWidth > 0; }
    bool LabelDrawable(const TPieSection& section) const;
    // Places every label (see PieLabelLayout.h).
    void LayOutLabels();
    void FinishPaint();

    int UpdateCounter = 0;
    std::vector<std::unique_ptr<TPieSection>> Sections;
    TDrawSurface* CanvasValue = nullptr;
    int WidthValue = 0;
    int HeightValue = 0;
    int Left = 0;
    int Top = 0;
    int DiscWidth = 0;
    int DiscHeight = 0;
    int Radius = 0;

    QColor Background{Qt::black};
    QColor Lines{Qt::black};
    QColor Base{Qt::black};
    QColor LabelBox{Qt::black};
    QColor LabelBorder{Qt::black};
    QColor LabelText{Qt::black};
    QColor HighlightedBox{Qt::black};
    QColor HighlightedBorder{Qt::black};
    QColor HighlightedText{Qt::black};
};
