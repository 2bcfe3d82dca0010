// Pictures of the pie chart in six formats.
#include "ui/charts/PieExport.h"

#include "engine/ScopeExit.h"
#include "reports/MetafileWriter.h"
#include "reports/ReportOutput.h"
#include "ui/charts/HPieChart.h"
#include "ui/charts/ImageSurface.h"
#include "ui/charts/PainterSurface.h"

#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMimeData>
#include <QPdfWriter>
#include <QSvgGenerator>

namespace {

// Screen pixels per inch, as the chart is measured on the screen bitmap.
constexpr int PixelsPerInch = 96;

// The font of the screen bitmap with its size in pixels, so that labels in a
// drawing measure what they measure on the screen whatever the drawing's
// resolution, and the layout stays the same.
QFont ChartFont() {
    QImage probe(1, 1, QImage::Format_RGB32);
    QPainter painter(&probe);
    QFont font = painter.font();
    font.setPixelSize(QFontInfo(font).pixelSize());
    return font;
}

// A metafile as a drawing surface. Shapes go over as the same GDI records
// the chart's own drawing calls stand for.
class TMetafileSurface final : public TDrawSurface {
public:
    TMetafileSurface(TMetafileWriter& writer, const QFont& font, const QPoint& origin)
        : Writer(writer), Metrics(font), Origin(origin) {}

    void SetPenColor(const QColor& color) override {
        PenColor = color;
        Writer.SetPen(color);
    }
    void SetBrushColor(const QColor& color) override {
        BrushColor = color;
        Clear = false;
        Writer.SetBrush(color);
    }
    void SetBrushStyle(TBrushStyle style) override {
        Clear = style == TBrushStyle::Clear;
        if (Clear)
            Writer.SetNullBrush();
        else
            Writer.SetBrush(BrushColor);
    }
    void SetFontColor(const QColor& color) override { Writer.SetTextColor(color); }

    void FillRect(const QRect& rect) override {
        if (Clear || rect.isEmpty())
            return;
        // A fill has no outline: the pen takes the brush's colour for it.
        Writer.SetPen(BrushColor);
        Writer.Rectangle(rect.translated(Origin));
        Writer.SetPen(PenColor);
    }
    void Ellipse(const QRect& box) override {
        if (!box.isEmpty())
            Writer.Ellipse(box.translated(Origin));
    }
    void Pie(const QRect& box, const QPoint& start, const QPoint& end) override {
        if (box.isEmpty())
            return;
        if (start == end)
            Writer.Ellipse(box.translated(Origin));
        else
            Writer.Pie(box.translated(Origin), start + Origin, end + Origin);
    }
    void Line(const QPoint& from, const QPoint& to) override {
        Writer.Line(from + Origin, to + Origin);
    }
    void Rectangle(const QRect& rect) override {
        if (!rect.isEmpty())
            Writer.Rectangle(rect.translated(Origin));
    }
    void TextOut(const QPoint& pos, const QString& text) override {
        if (text.isEmpty())
            return;
        if (!Clear)
            FillRect(QRect(pos, TextExtent(text)));
        Writer.TextOut(pos + Origin, text);
    }
    QSize TextExtent(const QString& text) override {
        return {Metrics.horizontalAdvance(text), Metrics.height()};
    }
    void CopyToDisplay(TChartDisplay&, const QRect&) override {}

private:
    TMetafileWriter& Writer;
    QFontMetrics Metrics;
    QPoint Origin;
    QColor PenColor{Qt::black};
    QColor BrushColor{Qt::white};
    bool Clear = false;
};

// Points the chart at `surface` (which paints it there) and back at its own
// canvas, whatever happens in between.
void PaintOn(THPieChart& chart, TDrawSurface& surface) {
    TDrawSurface* own = chart.Canvas();
    TScopeExit back([&chart, own] { chart.SetCanvas(own); });
    chart.SetCanvas(&surface);
}

QImage PieImage(const TPieTarget& target, THPieChart& chart) {
    TImageSurface surface(target.Size.width(), target.Size.height());
    surface.SetBrushColor(chart.BackgroundColor());
    surface.FillRect(QRect(QPoint(0, 0), target.Size));
    surface.SetOrigin(target.Origin);
    PaintOn(chart, surface);
    return surface.Image().copy();
}

// Paints through a QPainter on `device`, whose units are screen pixels.
TStatus PaintOnDevice(const TPieTarget& target, THPieChart& chart, QPaintDevice& device) {
    QPainter painter;
    if (!painter.begin(&device))
        return Refusal("The picture could not be started");
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(ChartFont());
    painter.fillRect(QRect(QPoint(0, 0), target.Size), chart.BackgroundColor());
    painter.translate(target.Origin);
    TPainterSurface surface(&painter);
    PaintOn(chart, surface);
    if (!painter.end())
        return Refusal("The picture could not be finished");
    return {};
}

TStatus WriteBytes(const QString& fileName, const TResult<QByteArray>& bytes,
                   const TPictureWriter& write) {
    if (!bytes)
        return bytes.Failure();
    const std::string path = QFile::encodeName(fileName).toStdString();
    return write ? write(path, *bytes) : WriteFileBytes(path, *bytes);
}

} // namespace

TPieFormat PieFormatOfName(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("bmp"))
        return TPieFormat::Bmp;
    if (suffix == QLatin1String("png"))
        return TPieFormat::Png;
    if (suffix == QLatin1String("emf"))
        return TPieFormat::Emf;
    if (suffix == QLatin1String("svg"))
        return TPieFormat::Svg;
    if (suffix == QLatin1String("pdf"))
        return TPieFormat::Pdf;
    return TPieFormat::Wmf;
}

bool IsBitmapFormat(TPieFormat format) {
    return format == TPieFormat::Bmp || format == TPieFormat::Png;
}

TResult<QByteArray> PiePictureBytes(const TPieTarget& target, THPieChart& chart,
                                    TPieFormat format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    switch (format) {
    case TPieFormat::Bmp:
    case TPieFormat::Png:
        if (!PieImage(target, chart).save(&buffer, format == TPieFormat::Bmp ? "BMP" : "PNG"))
            return Refusal("The bitmap could not be made");
        break;
    case TPieFormat::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(target.Size);
        svg.setViewBox(QRect(QPoint(0, 0), target.Size));
        svg.setResolution(PixelsPerInch);
        svg.setTitle(QStringLiteral("Pie chart"));
        if (TStatus painted = PaintOnDevice(target, chart, svg); !painted)
            return painted.Failure();
        break;
    }
    case TPieFormat::Pdf: {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(PixelsPerInch);
        pdf.setPageSize(QPageSize(QSizeF(target.Size) * 72.0 / PixelsPerInch, QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle(QStringLiteral("Pie chart"));
        if (TStatus painted = PaintOnDevice(target, chart, pdf); !painted)
            return painted.Failure();
        break;
    }
    case TPieFormat::Emf:
    case TPieFormat::Wmf: {
        const QFont font = ChartFont();
        TMetafileWriter writer(format == TPieFormat::Emf ? TMetafileWriter::TKind::Emf
                                                         : TMetafileWriter::TKind::Wmf,
                               target.Size, font);
        // The margins around the chart's own area take its background.
        writer.SetPen(chart.BackgroundColor());
        writer.SetBrush(chart.BackgroundColor());
        writer.Rectangle(QRect(QPoint(0, 0), target.Size));
        TMetafileSurface surface(writer, font, target.Origin);
        PaintOn(chart, surface);
        return writer.Finish();
    }
    }
    return bytes;
}

TStatus ExportPieAsBitmap(const TPieTarget& target, THPieChart& chart, const QString& fileName,
                          const TPictureWriter& write) {
    if (fileName.isEmpty()) {
        QGuiApplication::clipboard()->setImage(PieImage(target, chart));
        return {};
    }
    const TPieFormat format =
        PieFormatOfName(fileName) == TPieFormat::Png ? TPieFormat::Png : TPieFormat::Bmp;
    return WriteBytes(fileName, PiePictureBytes(target, chart, format), write);
}

TStatus ExportPieAsMetafile(const TPieTarget& target, THPieChart& chart, const QString& fileName,
                            const TPictureWriter& write) {
    if (fileName.isEmpty()) {
        const TResult<QByteArray> svg = PiePictureBytes(target, chart, TPieFormat::Svg);
        if (!svg)
            return svg.Failure();
        const TResult<QByteArray> emf = PiePictureBytes(target, chart, TPieFormat::Emf);
        if (!emf)
            return emf.Failure();
        auto* data = new QMimeData;
        data->setData(QStringLiteral("image/svg+xml"), *svg);
        data->setData(QStringLiteral("image/emf"), *emf);
        data->setData(QStringLiteral("image/x-emf"), *emf);
        data->setImageData(PieImage(target, chart));
        QGuiApplication::clipboard()->setMimeData(data);
        return {};
    }
    TPieFormat format = PieFormatOfName(fileName);
    if (IsBitmapFormat(format))
        format = TPieFormat::Wmf;
    return WriteBytes(fileName, PiePictureBytes(target, chart, format), write);
}
