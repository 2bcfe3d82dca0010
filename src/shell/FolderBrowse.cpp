// Qt's own folder dialog (not the platform one, which needs a desktop portal),
// with the drives in its side bar.
#include "shell/FolderBrowse.h"

#include "platform/Mounts.h"
#include "shell/DriveLists.h"
#include "shell/ShellPaths.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListView>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QUrl>

#include <algorithm>

#include <vector>

namespace {

// The instruction goes above the folders, where it can be read whole; a title
// bar cuts a long one short. Qt's dialog lays itself out in a grid, so its
// rows move down by one to make room.
void ShowInstruction(QFileDialog& dialog, const QString& text) {
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!grid || text.isEmpty())
        return;
    struct TPlaced {
        QLayoutItem* Item;
        int Row, Column, RowSpan, ColumnSpan;
    };
    std::vector<TPlaced> placed;
    while (grid->count() > 0) {
        TPlaced p{nullptr, 0, 0, 1, 1};
        grid->getItemPosition(0, &p.Row, &p.Column, &p.RowSpan, &p.ColumnSpan);
        p.Item = grid->takeAt(0);
        placed.push_back(p);
    }
    for (const TPlaced& p : placed)
        grid->addItem(p.Item, p.Row + 1, p.Column, p.RowSpan, p.ColumnSpan);
    auto* label = new QLabel(text, &dialog);
    label->setObjectName(QStringLiteral("lblInstruction"));
    label->setWordWrap(true);
    grid->addWidget(label, 0, 0, 1, grid->columnCount());
}

// Qt gives its side bar a narrow width that clips the names of drives and
// folders there: it gets the room of its widest name, at most half the
// dialog, which grows to keep the folders' list as wide as it was. Qt sets
// the splitter when the dialog is first shown, so this runs after that.
void WidenSideBar(QFileDialog& dialog) {
    auto* side = dialog.findChild<QListView*>(QStringLiteral("sidebar"));
    auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter"));
    if (!side || !splitter || splitter->count() != 2)
        return;
    int widest = 0;
    for (int row = 0; row < side->model()->rowCount(); ++row)
        widest = std::max(widest, side->sizeHintForIndex(side->model()->index(row, 0)).width());
    const int wanted = widest + 2 * side->frameWidth() + 2 * side->spacing() +
                       side->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QList<int> sizes = splitter->sizes();
    if (sizes.size() != 2 || sizes[0] >= wanted)
        return;
    const int limit = dialog.screen() ? dialog.screen()->availableGeometry().width() : 1024;
    const int width =
        std::max(dialog.width(), std::min(dialog.width() + wanted - sizes[0], limit * 9 / 10));
    const int total = sizes[0] + sizes[1] + width - dialog.width();
    dialog.resize(width, dialog.height());
    const int left = std::min(wanted, total / 2);
    splitter->setSizes({left, total - left});
}

} // namespace

bool TFolderBrowse::Execute(QWidget* parent) {
    QFileDialog dialog(parent ? parent : QApplication::activeWindow(), Title);
    dialog.setObjectName(QStringLiteral("FolderBrowseDialog"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("OK"));
    ShowInstruction(dialog, Title);

    QList<QUrl> sideBar{QUrl::fromLocalFile(QDir::homePath())};
    for (const Platform::TDrive& drive : CurrentDrives())
        sideBar.append(QUrl::fromLocalFile(DisplayPath(drive.RootPath)));
    dialog.setSidebarUrls(sideBar);
    QTimer::singleShot(0, &dialog, [&dialog] { WidenSideBar(dialog); });
    if (!Folder.isEmpty())
        dialog.setDirectory(Folder);

    if (dialog.exec() != QDialog::Accepted)
        return false;
    QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || !QFileInfo(chosen.first()).isDir())
        return false;
    Folder = QDir::cleanPath(chosen.first());
    return true;
}
