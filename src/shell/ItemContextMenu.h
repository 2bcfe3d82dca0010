// Quillmere's own context menu for a file or folder: Open, Show in File
// Manager, Copy Path, Properties, Send To Trash and Delete. After it the
// caller checks whether the item still exists.
#pragma once

#include <QObject>
#include <QPoint>
#include <cstdint>
#include <optional>
#include <string>

class QAction;
class QMenu;
class QWidget;

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

    // knownSize: the item's size as scanned, named when Delete asks; without
    // it the size is measured.
    TItemContextMenu(std::string path, QWidget* owner,
                     std::optional<std::int64_t> knownSize = std::nullopt);
    ~TItemContextMenu() override;

    QMenu* Menu() const { return PopupMenu; }
    QAction* ActionOf(TCommand command) const;
    TCommand CommandOf(const QAction* action) const;

    // Carries out one command; true when it did what it says. Failures are
    // explained to the user in a message box.
    bool Run(TCommand command);

private:
    bool DeleteItem();

    std::string Path;
    QWidget* Owner;
    std::optional<std::int64_t> KnownSize;
    QMenu* PopupMenu;
};

// Shows the menu at screenPoint and carries out the chosen command. False when
// nothing was chosen or the command failed. `chosen`, when given, receives the
// command the user picked (cmNone for none), whether it succeeded or not.
bool ShowItemContextMenu(const std::string& path, QWidget* owner, const QPoint& screenPoint,
                         std::optional<std::int64_t> knownSize = std::nullopt,
                         TItemContextMenu::TCommand* chosen = nullptr);

// The apparent size of a file, or of a folder with everything in it on the
// same file system; links are not followed.
std::int64_t MeasureItemSize(const std::string& path);
