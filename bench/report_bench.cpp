// How long the reports and the pie export take: the subfolder list of a
// folder with 100,000 subfolders (built in memory, names with blanks, commas
// and quotes among them) written as CSV, tab-separated and aligned text to a
// file, and a pie of 40 labelled sections of the size of a large window
// exported in every picture format. Prints the median of five runs of each.
//
//   quillmere-report-bench [FOLDERS] [OUTDIR]
#include "MedianTime.h"
#include "engine/FolderNode.h"
#include "models/SubfolderList.h"
#include "reports/ListReports.h"
#include "ui/charts/HPieChart.h"
#include "ui/charts/ImageSurface.h"
#include "ui/charts/PieExport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<TFolderNode> BuildFolder(int folders) {
    auto root = std::make_unique<TFolderNode>();
    root->Name = "/bench";
    root->Data = std::make_unique<TFolderSize>();
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    const char* words[] = {"Holiday pictures", "build", "cache, old", "Project \"X\"",
                           "node_modules",     "2019",  "Réunions",   "tmp"};
    for (int i = 0; i < folders; ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        auto child = std::make_unique<TFolderNode>();
        child->Parent = root.get();
        child->Name = std::string(words[(state >> 40) % 8]) + " " + std::to_string(i);
        child->Data = std::make_unique<TFolderSize>();
        child->Data->TreeSize = std::int64_t(state >> 34);
        child->Data->TreeWasted = std::int64_t((state >> 20) % 4096);
        child->Data->TreeFileCount = std::uint32_t(state % 1000);
        child->Data->NewestWriteTime = 132000000000000000ull + (state >> 12) % 10000000000000000ull;
        root->Data->TreeSize += child->Data->TreeSize;
        root->Data->TreeWasted += child->Data->TreeWasted;
        root->Children.push_back(std::move(child));
    }
    root->RenumberChildren();
    return root;
}

// A report that could not be written makes every figure after it meaningless.
void Written(const TStatus& written) {
    if (!written) {
        std::fprintf(stderr, "quillmere-report-bench: %s\n", written.Failure().Describe().c_str());
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int folders = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir temp;
    const QString out = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temp.path();
    QDir().mkpath(out);
    const std::string dir = QFile::encodeName(out).toStdString();

    const std::unique_ptr<TFolderNode> root = BuildFolder(folders);
    TSubfolderListModel list;
    QElapsedTimer fill;
    fill.start();
    list.Fill(*root, TSubfolderFilter{});
    std::printf("subfolder list of %d folders filled and sorted by name: %.0f ms\n",
                list.RowCount(), double(fill.nsecsElapsed()) / 1e6);
    std::printf("CSV:            %7.1f ms\n",
                MedianMs([&] { Written(WriteCsvList(list, dir + "/list.csv")); }));
    std::printf("tab-separated:  %7.1f ms\n",
                MedianMs([&] { Written(WriteTabList(list, dir + "/list.txt")); }));
    std::printf(
        "aligned text:   %7.1f ms\n", MedianMs([&] {
            Written(WriteFormattedList(QStringLiteral("/bench"), list, dir + "/list.prn", false));
        }));

    // The pie as a window of 1,000 x 700 shows it.
    const QSize size(770, 560);
    TImageSurface screen(size.width(), size.height());
    THPieChart chart(&screen, size.width(), size.height());
    chart.BeginUpdate();
    chart.SetColors(Qt::white, Qt::black, QColor(0, 255, 0));
    chart.SetLabelColors(QColor(255, 255, 225), Qt::black, Qt::black, QColor(0, 0, 128), Qt::black,
                         Qt::white);
    chart.MinLabelAngle = 1.0;
    double left = 360.0;
    for (int i = 0; i < 40 && left > 0; ++i) {
        const double angle = i == 39 ? left : std::max(1.0, left * 0.2);
        chart.AddSection(QStringLiteral("folder %1 (%2%)").arg(i).arg(int(angle / 3.6)),
                         QColor::fromHsv((i * 37) % 360, 200, 230), angle);
        left -= angle;
    }
    chart.EndUpdate();
    const TPieTarget target{size, QPoint(0, 0)};
    const std::pair<const char*, const char*> formats[] = {{"BMP", ".bmp"}, {"WMF", ".wmf"},
                                                           {"EMF", ".emf"}, {"PNG", ".png"},
                                                           {"SVG", ".svg"}, {"PDF", ".pdf"}};
    for (const auto& [name, suffix] : formats) {
        const QString file = out + QStringLiteral("/pie") + QLatin1String(suffix);
        const double ms = MedianMs([&] {
            Written(IsBitmapFormat(PieFormatOfName(file))
                        ? ExportPieAsBitmap(target, chart, file)
                        : ExportPieAsMetafile(target, chart, file));
        });
        std::printf("pie as %s:     %7.1f ms (%lld bytes)\n", name, ms,
                    static_cast<long long>(QFileInfo(file).size()));
    }
    return 0;
}
