// The pie exported in every format and read back by readers Quillmere did not
// write (emf2svg-conv, wmf2eps with Ghostscript, pdftoppm, Qt's image and SVG readers), each
// picture compared with the pie on the screen at the centre of every
// section; the metafiles checked to be drawings, not pictures of pixels; the
// file dialog's extension rule; and the on-screen pie unchanged afterwards.
#include "ui/charts/PieExport.h"
#include "WindowTest.h"
#include "common/OutsideTool.h"
#include "ui/charts/HPieChart.h"
#include "ui/charts/PieDisplay.h"
#include "ui/main/PiePage.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMimeData>
#include <QPainter>
#include <QSvgRenderer>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <map>

namespace {

// The kinds of the records in an EMF file, in order.
std::vector<std::uint32_t> EmfRecordKinds(const QByteArray& emf) {
    std::vector<std::uint32_t> kinds;
    for (qsizetype at = 0; at + 8 <= emf.size();) {
        std::uint32_t kind = 0;
        std::uint32_t size = 0;
        std::memcpy(&kind, emf.constData() + at, 4);
        std::memcpy(&size, emf.constData() + at + 4, 4);
        if (size < 8)
            break;
        kinds.push_back(kind);
        at += size;
    }
    return kinds;
}

QImage RenderSvg(const QString& file, const QSize& size) {
    QSvgRenderer svg(file);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    svg.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

class PieExportTest : public TWindowTest {
protected:
    void SetUp() override {
        MakeDrive();
        // Folders and files, so that the sections differ in colour, and one
        // section of more than half the disc.
        const std::int64_t sizes[] = {9000000, 3000000, 2500000, 2000000};
        const char* names[] = {"Alpha/f", "Beta/f", "movie.bin", "notes.txt"};
        for (int i = 0; i < 4; ++i)
            Temp.MakeFile(std::string("drive/") + names[i], sizes[i]);
        Temp.MakeDir("out");
        MakeForm();
        Form->resize(900, 650);
        Form->show();
        Form->Session().ScanOrRescanDrive(Root);
        Select("");
        Form->ShowPage(PagePie);
        QApplication::processEvents();
    }

    // Where every section's centre lies on the picture, with the colour the
    // screen shows there.
    std::vector<std::pair<QPoint, QColor>> SectionCentres() {
        THPieChart& chart = Part<TPiePage>().Chart();
        const QImage screen = Part<TPiePage>().FolderPie->grab().toImage();
        std::vector<std::pair<QPoint, QColor>> centres;
        double start = 0;
        for (int i = 0; i < chart.SectionCount(); ++i) {
            const double angle = chart.GetSection(i)->Angle;
            const QPoint p = chart.PointAt(start + angle / 2, chart.DiscRadius() / 2) +
                             Part<TPiePage>().ChartOrigin();
            centres.emplace_back(p, screen.pixelColor(p));
            start += angle;
        }
        return centres;
    }

    void ExpectSameAtCentres(const QImage& picture, const char* format) {
        ASSERT_FALSE(picture.isNull()) << format;
        for (const auto& [point, colour] : SectionCentres()) {
            const QColor seen = picture.pixelColor(point);
            EXPECT_LE(std::abs(seen.red() - colour.red()) +
                          std::abs(seen.green() - colour.green()) +
                          std::abs(seen.blue() - colour.blue()),
                      12)
                << format << " at " << point.x() << "," << point.y() << ": "
                << seen.name().toStdString() << " instead of " << colour.name().toStdString();
        }
    }
};

TEST_F(PieExportTest, EveryFormatShowsThePieOfTheScreen) {
    THPieChart& chart = Part<TPiePage>().Chart();
    ASSERT_EQ(chart.SectionCount(), 4);
    const QSize size = Part<TPiePage>().FolderPie->size();
    const TPieTarget target{size, Part<TPiePage>().ChartOrigin()};
    const QImage before = Part<TPiePage>().FolderPie->grab().toImage();
    const QString out = QString::fromStdString(Temp.Path("out/pie"));

    // Bitmaps, read by Qt's image readers.
    ASSERT_TRUE(ExportPieAsBitmap(target, chart, out + ".bmp"));
    ASSERT_TRUE(ExportPieAsBitmap(target, chart, out + ".png"));
    for (const char* suffix : {".bmp", ".png"}) {
        const QImage image(out + suffix);
        EXPECT_EQ(image.size(), size);
        ExpectSameAtCentres(image, suffix);
    }
    // The drawing formats.
    ASSERT_TRUE(ExportPieAsMetafile(target, chart, out + ".svg"));
    ExpectSameAtCentres(RenderSvg(out + ".svg", size), "svg");
    ASSERT_TRUE(ExportPieAsMetafile(target, chart, out + ".emf"));
    ASSERT_TRUE(ExportPieAsMetafile(target, chart, out + ".wmf"));
    ASSERT_TRUE(ExportPieAsMetafile(target, chart, out + ".pdf"));

    // The EMF holds pie records and no bitmap at all.
    QFile emfFile(out + ".emf");
    ASSERT_TRUE(emfFile.open(QIODevice::ReadOnly));
    const std::vector<std::uint32_t> kinds = EmfRecordKinds(emfFile.readAll());
    ASSERT_FALSE(kinds.empty());
    EXPECT_EQ(kinds.front(), 1u);                              // the header
    EXPECT_EQ(kinds.back(), 14u);                              // the end
    EXPECT_GE(std::count(kinds.begin(), kinds.end(), 47u), 2); // EMR_PIE
    for (std::uint32_t bitmapKind : {76u, 77u, 80u, 81u})      // BITBLT ... STRETCHDIBITS
        EXPECT_EQ(std::count(kinds.begin(), kinds.end(), bitmapKind), 0);

    // The chart draws on the screen's bitmap again, and the screen is as it was.
    EXPECT_EQ(Part<TPiePage>().FolderPie->grab().toImage(), before);

    const QString missing = MissingTool({QStringLiteral("emf2svg-conv"), QStringLiteral("wmf2eps"),
                                         QStringLiteral("gs"), QStringLiteral("pdftoppm")});
    if (!missing.isEmpty())
        GTEST_SKIP() << missing.toStdString()
                     << " is missing (Debian emf2svg, libwmf-bin, ghostscript, poppler-utils)";
    std::string failure;
    ToolOutput(QStringLiteral("emf2svg-conv"),
               {QStringLiteral("-i"), out + ".emf", QStringLiteral("-o"), out + "-emf.svg"},
               &failure);
    ASSERT_EQ(failure, "");
    ExpectSameAtCentres(RenderSvg(out + "-emf.svg", size), "emf");
    ToolOutput(QStringLiteral("pdftoppm"),
               {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"),
                QStringLiteral("-singlefile"), out + ".pdf", out + "-pdf"},
               &failure);
    ASSERT_EQ(failure, "");
    ExpectSameAtCentres(QImage(out + "-pdf.png"), "pdf");

    // libwmf's SVG output misplaces the start of every pie and its bitmap
    // output leaves ellipses unfilled; its PostScript, rendered by
    // Ghostscript, draws the metafile as Windows does. It opens with a clip
    // rectangle of uninitialised numbers (whatever the metafile), which
    // differ from run to run and now and then stop Ghostscript: such lines
    // go, and a run that still fails is tried again.
    const QString script =
        QStringLiteral("wmf2eps -o /dev/stdout \"$1\" | grep -Ev '[0-9]{10,}\\.' > \"$2\" && "
                       "gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -sDEVICE=png16m -r96 "
                       "-sOutputFile=\"$3\" \"$2\"");
    failure = "not run";
    for (int attempt = 0; attempt < 5 && !failure.empty(); ++attempt)
        ToolOutput(QStringLiteral("sh"),
                   {QStringLiteral("-c"), script, QStringLiteral("sh"), out + ".wmf",
                    out + "-wmf.eps", out + "-wmf.png"},
                   &failure);
    ASSERT_EQ(failure, "");
    ExpectSameAtCentres(QImage(out + "-wmf.png"), "wmf");
}

TEST_F(PieExportTest, CommandsKeepThePageAndTheFileDialogSetsTheExtension) {
    Form->ShowPage(PageFolderInfo);
    // The bitmap filter with a name ending in .png saves a BMP under .bmp.
    QTimer::singleShot(0, Form.get(), [this] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        dialog->selectNameFilter(dialog->nameFilters().value(0));
        dialog->selectFile(QString::fromStdString(Temp.Path("out/chart.png")));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    Action("cmdFilePieToFile")->trigger();
    EXPECT_EQ(Form->CurrentPage(), PageFolderInfo);
    QFile bmp(QString::fromStdString(Temp.Path("out/chart.bmp")));
    ASSERT_TRUE(bmp.open(QIODevice::ReadOnly));
    EXPECT_TRUE(bmp.read(2) == "BM");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Temp.Path("out/chart.png"))));

    // The clipboard gets an image, or a drawing in two formats with an image.
    Action("cmdFilePieAsBitmap")->trigger();
    EXPECT_EQ(QApplication::clipboard()->image().size(), Part<TPiePage>().FolderPie->size());
    Action("cmdFilePieAsMetafile")->trigger();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->data(QStringLiteral("image/svg+xml")).contains("<svg"));
    EXPECT_EQ(EmfRecordKinds(data->data(QStringLiteral("image/emf"))).front(), 1u);
    EXPECT_TRUE(data->hasImage());
    EXPECT_EQ(Form->CurrentPage(), PageFolderInfo);

    // A file that cannot be written fails the export; the chart keeps its
    // own canvas.
    THPieChart& chart = Part<TPiePage>().Chart();
    TDrawSurface* own = chart.Canvas();
    const TPieTarget target{Part<TPiePage>().FolderPie->size(), Part<TPiePage>().ChartOrigin()};
    const std::string missing = Temp.Path("missing/pie.emf");
    const TStatus exported = ExportPieAsMetafile(target, chart, QString::fromStdString(missing));
    ASSERT_FALSE(exported);
    EXPECT_EQ(exported.Failure().Errno, ENOENT);
    EXPECT_EQ(exported.Failure().Path, missing);
    EXPECT_EQ(chart.Canvas(), own);
}

} // namespace
