// The flat pie chart of the pie page and the picture exports.
#include "ui/charts/HPieChart.h"

#include "ui/charts/ChartDisplay.h"
#include "ui/charts/DrawSurface.h"
#include "ui/charts/PieLabelLayout.h"
#include "ui/charts/ShapeGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace {

bool SameColor(const QColor& a, const QColor& b) {
    return a.rgba() == b.rgba();
}

} // namespace

THPieChart::THPieChart(TDrawSurface* canvas, int width, int height) : CanvasValue(canvas) {
    UpdateCounter = 1;
    SetSize(width, height);
    UpdateCounter = 0;
}

THPieChart::~THPieChart() {
    // Never ended: the chart must not paint on a surface that may already be
    // gone while it tears down.
    BeginUpdate();
    Clear();
}

void THPieChart::BeginUpdate() {
    ++UpdateCounter;
}

void THPieChart::EndUpdate() {
    if (UpdateCounter > 0)
        --UpdateCounter;
    if (UpdateCounter != 0)
        return;
    Paint();
    if (Display && Picture)
        Display->ShowPicture(*Picture, Picture->rect());
}

void THPieChart::SetCanvas(TDrawSurface* canvas) {
    if (canvas == CanvasValue)
        return;
    CanvasValue = canvas;
    if (UpdateCounter == 0)
        Paint();
}

void THPieChart::SetSize(int width, int height) {
    WidthValue = width;
    HeightValue = height;
    const int d = std::min(width - 2 * HorizontalMargin, height - 2 * VerticalMargin);
    // A negative diameter would put the disc outside the area; such an area
    // shows its background only.
    const int diameter = std::max(d, 0);
    Left = (width - diameter) / 2;
    Top = (height - diameter) / 2;
    DiscWidth = diameter;
    DiscHeight = diameter;
    Radius = diameter / 2;
}

void THPieChart::SetColors(const QColor& background, const QColor& lines, const QColor& base) {
    Background = background;
    Lines = lines;
    Base = base;
    if (UpdateCounter == 0)
        Paint();
}

void THPieChart::SetLabelColors(const QColor& box, const QColor& border, const QColor& text,
                                const QColor& highlightedBox, const QColor& highlightedBorder,
                                const QColor& highlightedText) {
    LabelBox = box;
    LabelBorder = border;
    LabelText = text;
    HighlightedBox = highlightedBox;
    HighlightedBorder = highlightedBorder;
    HighlightedText = highlightedText;
    if (UpdateCounter == 0)
        Paint();
}

TPieSection* THPieChart::AddSection(const QString& caption, const QColor& color, double angle) {
    auto section = std::make_unique<TPieSection>();
    section->Caption = caption;
    section->Color = color;
    section->Angle = angle;
    TPieSection* added = section.get();
    Sections.push_back(std::move(section));
    if (UpdateCounter == 0)
        Paint();
    return added;
}

void THPieChart::Clear() {
    BeginUpdate();
    try {
        Sections.clear();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void THPieChart::Sort(bool descending) {
    BeginUpdate();
    try {
        std::sort(Sections.begin(), Sections.end(), [descending](const auto& a, const auto& b) {
            return descending ? a->Angle > b->Angle : a->Angle < b->Angle;
        });
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

TPieSection* THPieChart::GetSection(int index) const {
    if (index < 0 || index >= int(Sections.size()))
        return nullptr;
    return Sections[std::size_t(index)].get();
}

QPoint THPieChart::PointAt(double angle, int radius) const {
    return PiePointAt(Centre(), angle, radius);
}

void THPieChart::Paint() {
    if (UpdateCounter > 0 || !CanvasValue)
        return;
    TDrawSurface& canvas = *CanvasValue;

    for (auto& section : Sections)
        section->Labelled = false;

    canvas.SetBrushColor(Background);
    canvas.FillRect(QRect(0, 0, WidthValue, HeightValue));
    if (!HasDisc())
        return;

    const QPoint centre = Centre();
    const QPoint top(centre.x(), Top);
    LayOutLabels();
    canvas.SetPenColor(Lines);
    canvas.SetBrushColor(Base);
    canvas.Ellipse(DiscRect());
    if (!Sections.empty() && SameColor(Sections.front()->Color, Base))
        canvas.Line(centre, top);

    try {
        QPoint p0 = PointAt(0.0, Radius);
        double c0 = 0.0;
        double c = 0.0;
        const std::size_t count = Sections.size();
        for (std::size_t i = 0; i < count; ++i) {
            TPieSection& section = *Sections[i];
            c = std::min(c + section.Angle, 360.0);
            const bool closing = CloseLastSection && i + 1 == count;
            const QPoint p1 = closing ? top : PointAt(c, Radius);

            if (!SameColor(section.Color, Base) && (p1 != p0 || section.Angle > 180.0)) {
                canvas.SetBrushColor(section.Color);
                canvas.SetPenColor(section.Color);
                canvas.Pie(DiscRect(), p0, p1);
                canvas.SetPenColor(Lines);
            }
            // A section left in the base colour draws its radii in whatever the
            // pen last held, which after a label is that label's border colour.
            canvas.Line(centre, p0);
            canvas.Line(centre, p1);

            if (section.Labelled) {
                canvas.Line(PointAt((c - c0) / 2.0 + c0, Radius), section.LeaderEnd);
                DrawSectionLabel(int(i), false);
            }

            c0 = c;
            p0 = p1;
            if (c >= 360.0)
                break;
        }
    } catch (...) {
        FinishPaint();
        throw;
    }
    FinishPaint();
}

void THPieChart::LayOutLabels() {
    TPieLabelFrame frame;
    frame.Centre = Centre();
    frame.Radius = Radius;
    frame.Leader = LeaderLength;
    frame.Area = LabelArea.isEmpty() ? QRect(0, 0, WidthValue, HeightValue) : LabelArea;
    std::vector<TPieLabelRequest> requests;
    std::vector<TPieSection*> asking;
    double c0 = 0.0;
    for (auto& section : Sections) {
        const double c = std::min(c0 + section->Angle, 360.0);
        if (!section->Caption.isEmpty() && section->Angle >= MinLabelAngle) {
            requests.push_back({(c - c0) / 2.0 + c0, section->Angle, section->Caption});
            asking.push_back(section.get());
        }
        c0 = c;
        if (c >= 360.0)
            break;
    }
    TDrawSurface& canvas = *CanvasValue;
    const std::vector<TPieLabelPlace> places = LayOutPieLabels(
        frame, requests, [&canvas](const QString& text) { return canvas.TextExtent(text); });
    for (std::size_t i = 0; i < places.size(); ++i) {
        TPieSection& section = *asking[i];
        section.Labelled = places[i].Shown;
        section.ShownCaption = places[i].Text;
        section.LabelPos = places[i].Box.topLeft() + QPoint(4, 2);
        section.LeaderEnd = places[i].LeaderEnd;
    }
}

void THPieChart::FinishPaint() {
    DrawSectionLabel(HighlightIndex, true);
    // The outline goes over wedges and labels in the current pen, like the
    // radii above.
    CanvasValue->SetBrushStyle(TBrushStyle::Clear);
    CanvasValue->Ellipse(DiscRect());
}

bool THPieChart::LabelDrawable(const TPieSection& section) const {
    return section.Labelled && !section.Caption.isEmpty() && section.Angle >= MinLabelAngle;
}

void THPieChart::DrawSectionLabel(int index, bool highlighted) {
    TPieSection* section = GetSection(index);
    if (!section || !CanvasValue || UpdateCounter != 0 || !LabelDrawable(*section))
        return;
    TDrawSurface& canvas = *CanvasValue;
    const QPoint pos = section->LabelPos;
    const QSize extent = canvas.TextExtent(section->ShownCaption);
    const QRect box(QPoint(pos.x() - 4, pos.y() - 2),
                    QSize(extent.width() + 8, extent.height() + 4));
    try {
        canvas.SetBrushColor(highlighted ? HighlightedBox : LabelBox);
        canvas.SetPenColor(highlighted ? HighlightedBorder : LabelBorder);
        canvas.Rectangle(box);
        canvas.SetFontColor(highlighted ? HighlightedText : LabelText);
        canvas.SetBrushStyle(TBrushStyle::Clear);
        canvas.TextOut(pos, section->ShownCaption);
    } catch (...) {
        if (Display)
            canvas.CopyToDisplay(*Display, box);
        throw;
    }
    if (Display)
        canvas.CopyToDisplay(*Display, box);
}

int THPieChart::AngleAtPoint(int x, int y) const {
    const QPoint centre = Centre();
    const double dx = double(x) - centre.x();
    const double dy = double(y) - centre.y();
    const double dist = std::sqrt(dx * dx + dy * dy);
    const double e = std::abs(dx);
    int h = -1;
    if (dist != 0.0 || e != 0.0)
        h = RoundHalfEven(std::acos(std::clamp(e / dist, -1.0, 1.0)) * 180.0 / std::numbers::pi);
    const bool left = dx < 0;
    const bool above = dy < 0;
    if (left)
        return above ? 90 - h : 90 + h;
    return above ? 270 + h : 270 - h;
}

int THPieChart::SectionAt(int x, int y) const {
    if (!HasDisc())
        return -1;
    const QPoint centre = Centre();
    const std::int64_t dx = std::int64_t(x) - centre.x();
    const std::int64_t dy = std::int64_t(y) - centre.y();
    if (dx * dx + dy * dy > std::int64_t(Radius) * Radius)
        return -1;
    const int a = AngleAtPoint(x, y);
    double sum = 0.0;
    const std::size_t count = Sections.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (CloseLastSection && i + 1 == count)
            sum = 360.0;
        else
            sum += Sections[i]->Angle;
        if (a <= sum)
            return int(i);
    }
    return -1;
}
