// The "Export Pie" commands: the pie as a bitmap or a drawing, to the
// clipboard or to a file. The pie page is shown for the export, so that its
// chart is built and laid out for the current folder, and the page shown
// before comes back afterwards, also when the export fails.
#include "ui/main/PieExportCommands.h"

#include "engine/Formatting.h"
#include "engine/ScopeExit.h"
#include "shell/MessageBox.h"
#include "ui/charts/PieDisplay.h"
#include "ui/charts/PieExport.h"
#include "ui/main/CommandRegistry.h"
#include "ui/main/Guarded.h"
#include "ui/main/PiePage.h"
#include "ui/main/ReportCommands.h"
#include "ui/main/Strings.h"
#include "ui/main/WindowHost.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>

#include <algorithm>

namespace {

struct TPieFilter {
    const char* Filter;
    const char* Suffix;
};
// The three formats Windows programs know first, then those of the desktop.
const TPieFilter PieFilters[] = {
    {QT_TRANSLATE_NOOP("TMainForm", "Bitmap (*.bmp)"), "bmp"},
    {QT_TRANSLATE_NOOP("TMainForm", "Metafile (*.wmf)"), "wmf"},
    {QT_TRANSLATE_NOOP("TMainForm", "Enhanced Metafile (*.emf)"), "emf"},
    {QT_TRANSLATE_NOOP("TMainForm", "PNG Image (*.png)"), "png"},
    {QT_TRANSLATE_NOOP("TMainForm", "SVG Drawing (*.svg)"), "svg"},
    {QT_TRANSLATE_NOOP("TMainForm", "PDF Document (*.pdf)"), "pdf"},
};

QString Suffix(int filter) {
    return QLatin1String(PieFilters[std::clamp(filter, 0, int(std::size(PieFilters)) - 1)].Suffix);
}

} // namespace

QString PieExportName(const QString& chosen, int filter) {
    const QFileInfo info(chosen);
    const QString base =
        info.suffix().isEmpty() ? chosen : chosen.left(chosen.size() - info.suffix().size() - 1);
    return base + QLatin1Char('.') + Suffix(filter);
}

TPieExportCommands::TPieExportCommands(TCommandRegistry& commands, TWindowHost& host,
                                       QObject* parent)
    : QObject(parent), Host(host) {
    setObjectName(QStringLiteral("PieExportCommands"));
#define T(text) QT_TRANSLATE_NOOP("TMainForm", text)
    // clang-format off
    commands.Add(this, {"cmdFileExportPie", T("Export &Pie"), T("Copies the pie chart to the clipboard or saves it in a graphic file."), 0, {}, {}, Rules::Ready, Submenu});
    commands.Add(this, {"ToClipboard1", T("To &Clipboard"), T("Copies the pie chart to the clipboard in metafile or bitmap format."), 0, {}, {}, Rules::Always, Submenu});
    commands.Add(this, {"cmdFilePieAsMetafile", T("As &Metafile"), T("Copies the pie chart to the clipboard in metafile format."), 0, [this] { cmdFilePieAsMetafileClick(); }});
    commands.Add(this, {"cmdFilePieAsBitmap", T("As &Bitmap"), T("Copies the pie chart to the clipboard in bitmap format."), 0, [this] { cmdFilePieAsBitmapClick(); }});
    commands.Add(this, {"cmdFilePieToFile", T("To &File..."), T("Saves the pie chart in a bitmap of metafile file."), 0, [this] { cmdFilePieToFileClick(); }});
    // clang-format on
#undef T
}

void TPieExportCommands::ExportPie(
    const std::function<TStatus(const TPieTarget&, THPieChart&)>& how) {
    const int shown = Host.CurrentPage();
    TScopeExit back([this, shown] { Host.ShowPage(shown); });
    Guarded(Host.Window(), [&] {
        Host.ShowPage(PagePie);
        TPiePage& pie = Host.Pie();
        const TStatus exported =
            how(TPieTarget{pie.FolderPie->size(), pie.ChartOrigin()}, pie.Chart());
        if (!exported)
            TMessageBox::Error(Host.Window(), Strings::ProductName(),
                               DisplayText(exported.Failure().Describe()));
    });
}

void TPieExportCommands::cmdFilePieAsMetafileClick() {
    ExportPie([](const TPieTarget& target, THPieChart& chart) {
        return ExportPieAsMetafile(target, chart, QString());
    });
}

void TPieExportCommands::cmdFilePieAsBitmapClick() {
    ExportPie([](const TPieTarget& target, THPieChart& chart) {
        return ExportPieAsBitmap(target, chart, QString());
    });
}

void TPieExportCommands::cmdFilePieToFileClick() {
    QStringList filters;
    for (const TPieFilter& f : PieFilters)
        filters << QCoreApplication::translate("TMainForm", f.Filter);
    QFileDialog dialog(Host.Window(), tr("Export Pie"));
    dialog.setObjectName(QStringLiteral("dlgExportPie"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(PieExportFilter));
    dialog.setDefaultSuffix(Suffix(PieExportFilter));
    if (PieExportFile.isEmpty())
        dialog.setDirectory(DefaultSaveFolder());
    else
        dialog.selectFile(PieExportFile);
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &filters](const QString& f) {
        dialog.setDefaultSuffix(Suffix(static_cast<int>(filters.indexOf(f))));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    PieExportFilter = std::max(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
    const QString chosen = dialog.selectedFiles().front();
    // The name gets the extension of its format, and is proposed next time.
    PieExportFile = PieExportName(chosen, PieExportFilter);
    // The dialog asked about the name as typed; a file under the changed
    // name is not overwritten without asking too.
    if (PieExportFile != chosen && QFileInfo::exists(PieExportFile) &&
        !TMessageBox::Confirm(Host.Window(), Strings::ProductName(),
                              tr("%1 already exists.\nDo you want to replace it?")
                                  .arg(QFileInfo(PieExportFile).fileName())))
        return;
    const QString file = PieExportFile;
    ExportPie([&file](const TPieTarget& target, THPieChart& chart) {
        if (IsBitmapFormat(PieFormatOfName(file)))
            return ExportPieAsBitmap(target, chart, file, WriteFileAnswering);
        return ExportPieAsMetafile(target, chart, file, WriteFileAnswering);
    });
}
