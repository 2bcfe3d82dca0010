// Quillmere's own context menu for a file or folder: Open, Show in File
// Manager, Copy Path, Properties, Send To Trash and Delete. After it the
// caller checks whether the item still exists.
#pragma once

#include "platform/FileOps.h"

#include <QObject>
#include <QPoint>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QAction;
class QMenu;
class QWidget;

// What a scan knows of the item: its figures, named when Delete asks, and
// what it was, so that Send To Trash and Delete act on that very item and
// refuse when something else has taken its place.
struct TKnownItem {
    std::int64_t Size = 0;
    std::uint64_t Files = 0;   // below a folder; 1 for a file
    std::uint64_t Folders = 0; // below a folder
    std::optional<Platform::TScannedItem> Scanned;
    // The item's drive may stop answering (a network share): every check
    // the menu makes on it runs on a background job with a time limit.
    bool MayHang = false;
};

class TItemContextMenu : public QObject {
    Q_OBJECT
public:
    enum TCommand {
        cmNone,
        cmOpen,
        cmShowInFileManager,
        cmCopyPath,
        cmProperties,
        cmTrash,
        cmDelete
    };

    // Without `known` the figures are measured when Delete asks, and the
    // item is taken to be whatever is at path then.
    TItemContextMenu(std::string path, QWidget* owner,
                     std::optional<TKnownItem> known = std::nullopt);
    ~TItemContextMenu() override;

    QMenu* Menu() const { return PopupMenu; }
    QAction* ActionOf(TCommand command) const;
    TCommand CommandOf(const QAction* action) const;

    // Carries out one command; true when it did what it says. Failures are
    // explained to the user in a message box.
    bool Run(TCommand command);

private:
    bool OpenItem(TCommand command);
    bool DeleteItem();
    Platform::TScannedItem Item() const;
    // A check on the item's drive, within the time limit where the drive
    // may stop answering; none once it did not answer. The menu then asks
    // that drive nothing more, and says so.
    template <typename T> std::optional<T> AskDrive(std::function<T()> check);
    void TellNotAnswering() const;

    std::string Path;
    QWidget* Owner;
    std::optional<TKnownItem> Known;
    QMenu* PopupMenu;
    bool DriveMayHang = false;
    bool NotAnswering = false;
};

// Shows the menu at screenPoint and carries out the chosen command. False when
// nothing was chosen or the command failed. `chosen`, when given, receives the
// command the user picked (cmNone for none), whether it succeeded or not.
bool ShowItemContextMenu(const std::string& path, QWidget* owner, const QPoint& screenPoint,
                         std::optional<TKnownItem> known = std::nullopt,
                         TItemContextMenu::TCommand* chosen = nullptr);

// The apparent size of a file, or of a folder with everything in it on the
// same file system, with the number of files and folders; links are not
// followed.
TKnownItem MeasureItem(const std::string& path);
