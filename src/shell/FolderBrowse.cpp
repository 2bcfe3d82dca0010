// Qt's own folder dialog (not the platform one, which needs a desktop portal),
// with the drives in its side bar.
#include "shell/FolderBrowse.h"

#include "platform/Mounts.h"
#include "shell/ShellPaths.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QUrl>

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
    for (const Platform::TDrive& drive : Platform::ListDrives())
        sideBar.append(QUrl::fromLocalFile(DisplayPath(drive.RootPath)));
    dialog.setSidebarUrls(sideBar);
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
