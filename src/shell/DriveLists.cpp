// Drive pickers over the platform's drive list.
#include "shell/DriveLists.h"

#include "settings/ProgramSettings.h"
#include "shell/MountWatcher.h"

#include <QApplication>
#include <QFile>
#include <QStyle>

namespace {

TDriveSourceOverride* ActiveOverride = nullptr;

std::vector<Platform::TDrive> DrivesOf(const TDriveSource& own) {
    return own ? own() : CurrentDrives();
}

int SmallIconSize(const QWidget* widget) {
    return widget->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, widget);
}

} // namespace

std::vector<Platform::TDrive> CurrentDrives() {
    if (ActiveOverride && ActiveOverride->Source)
        return ActiveOverride->Source();
    return Platform::ListDrives();
}

TDriveSourceOverride::TDriveSourceOverride(TDriveSource source)
    : Source(std::move(source)), Outer(ActiveOverride) {
    ActiveOverride = this;
}

TDriveSourceOverride::~TDriveSourceOverride() {
    ActiveOverride = Outer;
}

TDriveTypeSet DriveTypeFlag(Platform::TDriveType type) {
    switch (type) {
    case Platform::TDriveType::Removable:
        return dtREMOVABLE;
    case Platform::TDriveType::Fixed:
        return dtFIXED;
    case Platform::TDriveType::Remote:
        return dtREMOTE;
    case Platform::TDriveType::CdRom:
        return dtCDROM;
    case Platform::TDriveType::RamDisk:
        return dtRAMDISK;
    case Platform::TDriveType::Unknown:
        break;
    }
    return {};
}

QIcon DriveIcon(Platform::TDriveType type) {
    const char* name = "drive-harddisk";
    QStyle::StandardPixmap fallback = QStyle::SP_DriveHDIcon;
    switch (type) {
    case Platform::TDriveType::Removable:
        name = "drive-removable-media";
        fallback = QStyle::SP_DriveFDIcon;
        break;
    case Platform::TDriveType::Remote:
        name = "folder-remote";
        fallback = QStyle::SP_DriveNetIcon;
        break;
    case Platform::TDriveType::CdRom:
        name = "drive-optical";
        fallback = QStyle::SP_DriveCDIcon;
        break;
    case Platform::TDriveType::RamDisk:
        name = "media-flash";
        break;
    case Platform::TDriveType::Fixed:
    case Platform::TDriveType::Unknown:
        break;
    }
    return QIcon::fromTheme(QString::fromLatin1(name),
                            QApplication::style()->standardIcon(fallback));
}

QString DriveText(const std::string& text) {
    return QFile::decodeName(QByteArray::fromStdString(text));
}

namespace {

// Every combo box names a drive as the desktop's file manager does, with its
// root path, so that two drives with the same label, or none, stay apart.
std::optional<QString> DriveItemText(const Platform::TDrive& drive) {
    if (!DriveTypeFlag(drive.Type))
        return std::nullopt;
    return DriveText(drive.DisplayName);
}

} // namespace

int IndexOfDriveHolding(const std::vector<Platform::TDrive>& drives, const std::string& path) {
    int best = -1;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        const std::string& root = drives[i].RootPath;
        if (!Platform::IsPathPrefix(root, path))
            continue;
        if (best < 0 || root.size() > drives[static_cast<std::size_t>(best)].RootPath.size())
            best = static_cast<int>(i);
    }
    return best;
}

// ---------------------------------------------------------------------------

TShExDriveCheckListBox::TShExDriveCheckListBox(QWidget* parent) : QListWidget(parent) {
    const int icon = SmallIconSize(this);
    setIconSize(QSize(icon, icon));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(new TMountWatcher(this), &TMountWatcher::MountsChanged, this,
            &TShExDriveCheckListBox::MountsChanged);
    BuildList();
}

void TShExDriveCheckListBox::SetDriveType(TDriveTypeSet types) {
    Types = types;
    BuildList();
}

void TShExDriveCheckListBox::SetDriveSource(TDriveSource source) {
    Source = std::move(source);
    BuildList();
}

void TShExDriveCheckListBox::BuildList() {
    Fill(ListableDrives());
}

std::vector<Platform::TDrive> TShExDriveCheckListBox::ListableDrives() const {
    std::vector<Platform::TDrive> drives = DrivesOf(Source);
    std::erase_if(drives, [this](const Platform::TDrive& drive) {
        const TDriveTypeSet kind = DriveTypeFlag(drive.Type);
        return !kind || !(Types & kind);
    });
    return drives;
}

void TShExDriveCheckListBox::Fill(std::vector<Platform::TDrive> drives) {
    clear();
    Listed.clear();
    for (Platform::TDrive& drive : drives) {
        auto* item = new QListWidgetItem(DriveIcon(drive.Type), DriveText(drive.DisplayName));
        item->setData(DriveRootRole, DriveText(drive.RootPath));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        addItem(item);
        Listed.push_back(std::move(drive));
    }
}

void TShExDriveCheckListBox::MountsChanged() {
    std::vector<Platform::TDrive> drives = ListableDrives();
    // Most changes of the table (a container starting, a snap mounted) touch
    // no drive; the list then stays exactly as the user left it.
    if (drives == Listed)
        return;
    const QStringList checked = CheckedDrives();
    const QListWidgetItem* current = currentItem();
    const QString currentRoot = current ? current->data(DriveRootRole).toString() : QString();
    Fill(std::move(drives));
    CheckDrives(checked);
    for (int row = 0; row < count(); ++row) {
        if (item(row)->data(DriveRootRole).toString() == currentRoot)
            setCurrentRow(row);
    }
}

bool TShExDriveCheckListBox::IsChecked(int row) const {
    const QListWidgetItem* it = item(row);
    return it && it->checkState() == Qt::Checked;
}

void TShExDriveCheckListBox::SetChecked(int row, bool checked) {
    if (QListWidgetItem* it = item(row))
        it->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void TShExDriveCheckListBox::SetAllChecked(bool checked) {
    for (int row = 0; row < count(); ++row)
        SetChecked(row, checked);
}

QStringList TShExDriveCheckListBox::CheckedDrives() const {
    QStringList roots;
    for (int row = 0; row < count(); ++row) {
        if (IsChecked(row))
            roots << item(row)->data(DriveRootRole).toString();
    }
    return roots;
}

std::vector<Platform::TDrive> TShExDriveCheckListBox::CheckedDriveList() const {
    std::vector<Platform::TDrive> drives;
    for (int row = 0; row < count(); ++row) {
        if (IsChecked(row))
            drives.push_back(Listed[static_cast<std::size_t>(row)]);
    }
    return drives;
}

QString TShExDriveCheckListBox::SelectedDrives() const {
    return JoinDriveList(CheckedDrives());
}

int TShExDriveCheckListBox::CheckDrives(const QStringList& roots) {
    int checked = 0;
    for (int row = 0; row < count(); ++row) {
        const bool on = roots.contains(item(row)->data(DriveRootRole).toString());
        SetChecked(row, on);
        checked += on ? 1 : 0;
    }
    return checked;
}

// ---------------------------------------------------------------------------

TDriveComboBase::TDriveComboBase(QWidget* parent) : QComboBox(parent) {
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(this, &QComboBox::currentIndexChanged, this, &TDriveComboBase::IndexChanged);
    connect(new TMountWatcher(this), &TMountWatcher::MountsChanged, this,
            &TDriveComboBase::MountsChanged);
}

void TDriveComboBase::SetDriveSource(TDriveSource source) {
    Source = std::move(source);
    BuildList();
}

void TDriveComboBase::BuildList() {
    Rebuild(ListableDrives());
}

std::vector<Platform::TDrive> TDriveComboBase::ListableDrives() const {
    std::vector<Platform::TDrive> drives = DrivesOf(Source);
    std::erase_if(drives, [this](const Platform::TDrive& drive) { return !ItemText(drive); });
    return drives;
}

void TDriveComboBase::Fill(std::vector<Platform::TDrive> drives) {
    // Clearing and refilling moves the current index about; none of that is
    // a choice of the user.
    const QSignalBlocker quiet(this);
    clear();
    Listed.clear();
    for (Platform::TDrive& drive : drives) {
        addItem(ItemIcon(drive), ItemText(drive).value_or(QString()), DriveText(drive.RootPath));
        Listed.push_back(std::move(drive));
    }
    setCurrentIndex(-1);
}

void TDriveComboBase::Rebuild(std::vector<Platform::TDrive> drives) {
    Fill(std::move(drives));
    // An empty Drive stays empty: the first drive is no choice of anyone's.
    const QString previous = CurrentRoot;
    SelectRoot(previous);
    if (CurrentRoot != previous)
        emit OnChange();
}

void TDriveComboBase::MountsChanged() {
    std::vector<Platform::TDrive> drives = ListableDrives();
    // Most changes of the table touch no drive; the box then stays as it is.
    if (drives != Listed)
        Rebuild(std::move(drives));
}

void TDriveComboBase::SetDrive(const QString& root) {
    if (root == CurrentRoot && currentIndex() >= 0)
        return;
    const QString previous = CurrentRoot;
    // A drive mounted a moment ago can be chosen before the watcher's report
    // has come through the event loop.
    if (!root.isEmpty() && findData(root) < 0)
        Fill(ListableDrives());
    SelectRoot(root);
    if (CurrentRoot != previous)
        emit OnChange();
}

void TDriveComboBase::SelectRoot(const QString& root) {
    const int index = root.isEmpty() ? -1 : findData(root);
    // Drive and the selected item always agree, so a caller never reads a
    // drive that the box does not show.
    CurrentRoot = index >= 0 ? root : QString();
    Updating = true;
    setCurrentIndex(index);
    Updating = false;
}

void TDriveComboBase::IndexChanged(int index) {
    if (Updating)
        return;
    SetDrive(index >= 0 ? itemData(index).toString() : QString());
}

std::optional<Platform::TDrive> TDriveComboBase::SelectedDrive() const {
    const int index = currentIndex();
    if (CurrentRoot.isEmpty() || index < 0 || static_cast<std::size_t>(index) >= Listed.size())
        return std::nullopt;
    return Listed[static_cast<std::size_t>(index)];
}

// ---------------------------------------------------------------------------

TShExDriveComboBox::TShExDriveComboBox(QWidget* parent) : TDriveComboBase(parent) {
    const int icon = SmallIconSize(this);
    setIconSize(QSize(icon, icon));
    BuildList();
}

std::optional<QString> TShExDriveComboBox::ItemText(const Platform::TDrive& drive) const {
    return DriveItemText(drive);
}

QIcon TShExDriveComboBox::ItemIcon(const Platform::TDrive& drive) const {
    return DriveIcon(drive.Type);
}

TPlainDrivePicker::TPlainDrivePicker(QWidget* parent) : TDriveComboBase(parent) {
    const int icon = SmallIconSize(this);
    setIconSize(QSize(icon, icon));
    BuildList();
}

std::optional<QString> TPlainDrivePicker::ItemText(const Platform::TDrive& drive) const {
    return DriveItemText(drive);
}

QIcon TPlainDrivePicker::ItemIcon(const Platform::TDrive& drive) const {
    return DriveIcon(drive.Type);
}
