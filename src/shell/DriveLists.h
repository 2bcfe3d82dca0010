// The drive pickers: a check list of drives (the "Scan Drives" dialog, the
// drives scanned at start-up), the toolbar's one-drive combo box, and the
// plain pickers of the clean-up dialogs. A drive is its root path; every
// picker lists the drives of the platform layer, or of a test's made-up list.
// Each picker watches the mount table and lists the drives anew when a drive
// is mounted or unmounted, keeping what the user had chosen.
#pragma once

#include "platform/Mounts.h"

#include <QComboBox>
#include <QFlags>
#include <QIcon>
#include <QListWidget>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using TDriveSource = std::function<std::vector<Platform::TDrive>()>;

// The drives as pickers see them: from the innermost TDriveSourceOverride,
// else the system's mount table.
std::vector<Platform::TDrive> CurrentDrives();

// While one exists, every picker that has no source of its own (and the
// network-drive dialogs) takes its drives from `source`.
class TDriveSourceOverride {
public:
    explicit TDriveSourceOverride(TDriveSource source);
    ~TDriveSourceOverride();
    TDriveSourceOverride(const TDriveSourceOverride&) = delete;
    TDriveSourceOverride& operator=(const TDriveSourceOverride&) = delete;

private:
    friend std::vector<Platform::TDrive> CurrentDrives();
    TDriveSource Source;
    TDriveSourceOverride* Outer;
};

enum TDriveTypes : unsigned {
    dtREMOVABLE = 0x01,
    dtFIXED = 0x02,
    dtREMOTE = 0x04,
    dtCDROM = 0x08,
    dtRAMDISK = 0x10,
};
Q_DECLARE_FLAGS(TDriveTypeSet, TDriveTypes)
Q_DECLARE_OPERATORS_FOR_FLAGS(TDriveTypeSet)

inline constexpr TDriveTypeSet AllDriveTypes =
    TDriveTypeSet(dtREMOVABLE | dtFIXED | dtREMOTE | dtCDROM | dtRAMDISK);

// The kind of a drive type; empty for Unknown, which no picker lists.
TDriveTypeSet DriveTypeFlag(Platform::TDriveType type);

// The icon of a drive kind from the desktop's theme, else from the style, so
// that there is one without a desktop session too.
QIcon DriveIcon(Platform::TDriveType type);

// A root path or display name as text (the file-name encoding).
QString DriveText(const std::string& text);

// Index of the drive whose root is the longest whole-component prefix of
// path; -1 when none is.
int IndexOfDriveHolding(const std::vector<Platform::TDrive>& drives, const std::string& path);

// Item data role that holds an item's root path (a QString).
inline constexpr int DriveRootRole = Qt::UserRole;

// The "Scan Drives" dialog's list: one check box per drive of the chosen kinds.
// After a mount or unmount it lists the drives anew with the checks and the
// current row of the drives that are still there.
class TShExDriveCheckListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TShExDriveCheckListBox(QWidget* parent = nullptr);

    TDriveTypeSet DriveType() const { return Types; }
    // Rebuilds the list with the new kinds.
    void SetDriveType(TDriveTypeSet types);
    // An own drive source; an empty one goes back to CurrentDrives. Rebuilds.
    void SetDriveSource(TDriveSource source);

    // Lists the drives of the kinds in DriveType, none checked.
    void BuildList();

    // The listed drives, in list order.
    const std::vector<Platform::TDrive>& Drives() const { return Listed; }
    // The root paths of the checked drives in list order, joined as a drive
    // list ("/;/home").
    QString SelectedDrives() const;
    QStringList CheckedDrives() const;
    std::vector<Platform::TDrive> CheckedDriveList() const;

    // Checks the listed drives whose root is in roots and clears the others;
    // returns how many were checked.
    int CheckDrives(const QStringList& roots);
    void SetAllChecked(bool checked);
    bool IsChecked(int row) const;
    void SetChecked(int row, bool checked);

private:
    std::vector<Platform::TDrive> ListableDrives() const;
    void Fill(std::vector<Platform::TDrive> drives);
    void MountsChanged();

    TDriveTypeSet Types = AllDriveTypes;
    TDriveSource Source;
    std::vector<Platform::TDrive> Listed;
};

// What the drive combo boxes share: Drive is the root path of the selected
// item, or empty with no item selected; OnChange fires whenever it changes,
// by the user or by the program, and also when the selected drive is
// unmounted.
class TDriveComboBase : public QComboBox {
    Q_OBJECT
public:
    QString Drive() const { return CurrentRoot; }
    // Selects the drive with that root. Nothing happens when it is already
    // the selected one. A root that is not listed has the drives listed anew
    // first, since it may have been mounted a moment ago; one that is still
    // not listed leaves no drive selected.
    void SetDrive(const QString& root);
    // Lists the drives anew; the selected drive stays selected while it is
    // still listed.
    void BuildList();
    void SetDriveSource(TDriveSource source);

    const std::vector<Platform::TDrive>& Drives() const { return Listed; }
    // The selected drive, none when Drive is empty.
    std::optional<Platform::TDrive> SelectedDrive() const;

signals:
    void OnChange();

protected:
    explicit TDriveComboBase(QWidget* parent);
    // Text of a drive's item; none leaves the drive out.
    virtual std::optional<QString> ItemText(const Platform::TDrive& drive) const = 0;
    virtual QIcon ItemIcon(const Platform::TDrive& drive) const = 0;

private:
    std::vector<Platform::TDrive> ListableDrives() const;
    // Lists drives with none selected, leaving CurrentRoot as it was.
    void Fill(std::vector<Platform::TDrive> drives);
    void Rebuild(std::vector<Platform::TDrive> drives);
    void MountsChanged();
    void IndexChanged(int index);
    void SelectRoot(const QString& root);

    QString CurrentRoot;
    TDriveSource Source;
    std::vector<Platform::TDrive> Listed;
    bool Updating = false;
};

// The main window toolbar's drive picker, which chooses the drive its Scan
// button scans: every drive with its icon and display name.
class TShExDriveComboBox : public TDriveComboBase {
    Q_OBJECT
public:
    explicit TShExDriveComboBox(QWidget* parent = nullptr);

protected:
    std::optional<QString> ItemText(const Platform::TDrive& drive) const override;
    QIcon ItemIcon(const Platform::TDrive& drive) const override;
};

// The drive picker of the move, compress and restore dialogs, whose entries
// read as the toolbar's.
class TPlainDrivePicker : public TDriveComboBase {
    Q_OBJECT
public:
    explicit TPlainDrivePicker(QWidget* parent = nullptr);

protected:
    std::optional<QString> ItemText(const Platform::TDrive& drive) const override;
    QIcon ItemIcon(const Platform::TDrive& drive) const override;
};
