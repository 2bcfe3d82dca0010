// Qt's own folder dialog (not the platform one, which needs a desktop portal),
// with the drives in its side bar.
#include "shell/FolderBrowse.h"

#include "platform/Mounts.h"
#include "shell/ShellPaths.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>

bool TFolderBrowse::Execute(QWidget* parent) {
    QFileDialog dialog(parent ? parent : QApplication::activeWindow(), Title);
    dialog.setObjectName(QStringLiteral("FolderBrowseDialog"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("OK"));

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
