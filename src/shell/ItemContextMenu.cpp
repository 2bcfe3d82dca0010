// The item context menu and its commands.
#include "shell/ItemContextMenu.h"

#include "engine/Formatting.h"
#include "platform/DirReader.h"
#include "platform/FileOps.h"
#include "platform/ItemFacts.h"
#include "platform/Mounts.h"
#include "settings/Product.h"
#include "shell/Icons.h"
#include "shell/ItemProperties.h"
#include "shell/JobWait.h"
#include "shell/Launch.h"
#include "shell/MessageBox.h"
#include "shell/ShellPaths.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>

namespace {

const char* const Captions[] = {
    "", "&Open", "Show in File &Manager", "&Copy Path", "P&roperties", "Send To &Trash", "&Delete"};

std::string ParentOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.empty() ? "/" : name;
}

} // namespace

TKnownItem MeasureItem(const std::string& path) {
    const Platform::TItemFigures figures = Platform::MeasureItem(path);
    return TKnownItem{figures.Size, figures.Files, figures.Folders, std::nullopt};
}

TItemContextMenu::TItemContextMenu(std::string path, QWidget* owner,
                                   std::optional<TKnownItem> known)
    : Path(std::move(path)), Owner(owner), Known(std::move(known)), PopupMenu(new QMenu(owner)) {
    // A drive root may come with its trailing slash.
    while (Path.size() > 1 && Path.back() == '/')
        Path.pop_back();
    // The mount table alone says so; nothing of the drive is asked.
    DriveMayHang = (Known && Known->MayHang) || Platform::MayHang(Path);
    PopupMenu->setObjectName(QStringLiteral("ItemContextMenu"));
    for (int command = cmOpen; command <= cmDelete; ++command) {
        if (command == cmCopyPath || command == cmProperties || command == cmTrash)
            PopupMenu->addSeparator();
        QAction* action = PopupMenu->addAction(QString::fromLatin1(Captions[command]));
        action->setData(command);
    }
    ActionOf(cmOpen)->setIcon(ThemeIcon("document-open", QStyle::SP_DialogOpenButton));
    ActionOf(cmShowInFileManager)->setIcon(FolderIcon());
    ActionOf(cmCopyPath)->setIcon(ThemeIcon("edit-copy", QStyle::SP_FileDialogDetailedView));
    ActionOf(cmTrash)->setIcon(ThemeIcon("user-trash", QStyle::SP_TrashIcon));
    ActionOf(cmDelete)->setIcon(ThemeIcon("edit-delete", QStyle::SP_DialogDiscardButton));
    ActionOf(cmProperties)
        ->setIcon(ThemeIcon("document-properties", QStyle::SP_FileDialogInfoView));
    // What must not be removed is offered for nothing that removes; nor is
    // anything on a drive that does not answer.
    const std::optional<bool> unprotected =
        AskDrive<bool>([path = Path] { return Platform::ProtectedReason(path).empty(); });
    bool removable = unprotected.value_or(false);
    if (Known && Known->Scanned)
        removable = removable && Platform::PathOf(*Known->Scanned) == Path;
    ActionOf(cmTrash)->setEnabled(removable);
    ActionOf(cmDelete)->setEnabled(removable);
}

TItemContextMenu::~TItemContextMenu() {
    delete PopupMenu;
}

QAction* TItemContextMenu::ActionOf(TCommand command) const {
    for (QAction* action : PopupMenu->actions()) {
        if (!action->isSeparator() && action->data().toInt() == command)
            return action;
    }
    return nullptr;
}

TItemContextMenu::TCommand TItemContextMenu::CommandOf(const QAction* action) const {
    if (!action || action->isSeparator() || !PopupMenu->actions().contains(action))
        return cmNone;
    return static_cast<TCommand>(action->data().toInt());
}

bool TItemContextMenu::Run(TCommand command) {
    const QString caption = QString::fromLatin1(ProductTitle);
    switch (command) {
    case cmNone:
        return false;
    case cmOpen:
    case cmShowInFileManager:
        return OpenItem(command);
    case cmCopyPath: {
        auto* data = new QMimeData;
        data->setText(DisplayPath(Path));
        // The URI keeps the exact bytes of names that are not UTF-8.
        QByteArray uri = "file://" + QByteArray::fromStdString(Path).toPercentEncoding("/");
        data->setData(QStringLiteral("text/uri-list"), uri + "\r\n");
        QApplication::clipboard()->setMimeData(data);
        return true;
    }
    case cmProperties:
        if (NotAnswering) {
            TellNotAnswering();
            return false;
        }
        return ShowItemProperties(Path, Owner,
                                  Known ? std::optional<std::int64_t>(Known->Size) : std::nullopt,
                                  DriveMayHang);
    case cmTrash: {
        if (NotAnswering) {
            TellNotAnswering();
            return false;
        }
        Platform::TTrashResult result = Platform::MoveToTrash(Item());
        if (!result.Ok)
            TMessageBox::Error(Owner, caption,
                               QStringLiteral("\"%1\" could not be moved to the Trash:\n%2")
                                   .arg(DisplayPath(Path), QString::fromStdString(result.Error)));
        return result.Ok;
    }
    case cmDelete:
        return DeleteItem();
    }
    return false;
}

template <typename T> std::optional<T> TItemContextMenu::AskDrive(std::function<T()> check) {
    if (NotAnswering)
        return std::nullopt;
    std::optional<T> answer = CallWithinLimit<T>(DriveMayHang, std::move(check));
    NotAnswering = !answer;
    return answer;
}

void TItemContextMenu::TellNotAnswering() const {
    TMessageBox::Error(Owner, QString::fromLatin1(ProductTitle), NotAnsweringText(Path));
}

bool TItemContextMenu::OpenItem(TCommand command) {
    // Launching reads what the path is first; only that reading waits on the drive.
    struct TFacts {
        bool IsFolder = false;
        TLaunchFacts Launch;
    };
    const bool open = command == cmOpen;
    const std::optional<TFacts> facts = AskDrive<TFacts>([path = Path, open] {
        TFacts f;
        if (open)
            f.Launch = LaunchFactsOf(path);
        else
            f.IsFolder = Platform::LeadsToFolder(path);
        return f;
    });
    if (!facts) {
        TellNotAnswering();
        return false;
    }
    TLaunchResult result =
        open ? LaunchPath(Path, facts->Launch) : ShowInFileManager(Path, facts->IsFolder);
    if (!result.Ok)
        TMessageBox::Error(Owner, QString::fromLatin1(ProductTitle),
                           QStringLiteral("\"%1\" could not be opened:\n%2")
                               .arg(DisplayPath(Path), QString::fromStdString(result.Error)));
    return result.Ok;
}

Platform::TScannedItem TItemContextMenu::Item() const {
    return Known && Known->Scanned ? *Known->Scanned : Platform::ItemAtPath(Path);
}

namespace {

QString CountOf(std::uint64_t count, const char* one, const char* many) {
    return count == 1 ? QStringLiteral("1 %1").arg(QLatin1String(one))
                      : QStringLiteral("%1 %2").arg(FormatCount64(static_cast<std::int64_t>(count)),
                                                    QLatin1String(many));
}

} // namespace

bool TItemContextMenu::DeleteItem() {
    const QString caption = QString::fromLatin1(ProductTitle);
    // Checked before asking, so the question never names an item that must
    // stay or is no longer the one that was scanned.
    struct TFacts {
        std::string Refused;
        bool IsFolder = false;
        std::optional<TKnownItem> Measured;
    };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::optional<TFacts> facts =
        AskDrive<TFacts>([item = Item(), path = Path, measure = !Known] {
            TFacts f;
            f.Refused = Platform::DeleteCheck(item);
            if (!f.Refused.empty())
                return f;
            f.IsFolder = Platform::FolderExists(path);
            if (measure)
                f.Measured = MeasureItem(path);
            return f;
        });
    QApplication::restoreOverrideCursor();
    if (!facts) {
        TellNotAnswering();
        return false;
    }
    if (!facts->Refused.empty()) {
        TMessageBox::Error(Owner, caption, QString::fromStdString(facts->Refused));
        return false;
    }
    const bool isFolder = facts->IsFolder;
    const TKnownItem figures = Known ? *Known : *facts->Measured;
    const QString what =
        isFolder ? QStringLiteral("folder \"%1\" in \"%2\" and everything in it (%3 in %4 and %5)")
                       .arg(DisplayPath(NameOf(Path)), DisplayPath(ParentOf(Path)),
                            FormatSize(figures.Size), CountOf(figures.Files, "file", "files"),
                            CountOf(figures.Folders, "folder", "folders"))
                 : QStringLiteral("file \"%1\" (%3) in \"%2\"")
                       .arg(DisplayPath(NameOf(Path)), DisplayPath(ParentOf(Path)),
                            FormatSize(figures.Size));
    QString question = QStringLiteral("Delete the %1 permanently?\n\n"
                                      "It will not go to the Trash and cannot be restored.")
                           .arg(what);
    if (TMessageBox::Show(Owner, TMessageKind::Confirmation, caption, question,
                          QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return false;

    QApplication::setOverrideCursor(Qt::WaitCursor);
    Platform::TDeleteResult result = Platform::DeleteTree(Item());
    QApplication::restoreOverrideCursor();
    if (!result.Refused.empty()) {
        TMessageBox::Error(Owner, caption, QString::fromStdString(result.Refused));
        return false;
    }
    if (!result.Complete()) {
        QString details;
        for (const Platform::TDeleteFailure& failure : result.Failures)
            details += DisplayPath(failure.Path) + QStringLiteral(": ") +
                       QString::fromStdString(failure.Reason) + QLatin1Char('\n');
        if (result.FailureCount > result.Failures.size())
            details += QStringLiteral("... and %1 more\n")
                           .arg(result.FailureCount - result.Failures.size());
        TMessageBox::Error(Owner, caption,
                           QStringLiteral("%1 of \"%2\" could not be deleted; the rest was.")
                               .arg(result.FailureCount == 1
                                        ? QStringLiteral("One item")
                                        : QStringLiteral("%1 items").arg(result.FailureCount),
                                    DisplayPath(Path)),
                           details);
    }
    return result.RemovedFiles + result.RemovedFolders > 0;
}

bool ShowItemContextMenu(const std::string& path, QWidget* owner, const QPoint& screenPoint,
                         std::optional<TKnownItem> known, TItemContextMenu::TCommand* chosen) {
    TItemContextMenu menu(path, owner, std::move(known));
    const TItemContextMenu::TCommand command = menu.CommandOf(menu.Menu()->exec(screenPoint));
    if (chosen)
        *chosen = command;
    return menu.Run(command);
}
