// The properties dialog. An item's facts are read by its raw bytes relative
// to its folder, so names that are not UTF-8 and paths of any length are
// shown as they are on disk. A drive's page comes from the mount table and
// the time-limited volume queries instead, never from a call on the drive
// that could hang.
#include "shell/ItemProperties.h"

#include "engine/Formatting.h"
#include "engine/PieArithmetic.h"
#include "engine/VolumeInfo.h"
#include "platform/ItemFacts.h"
#include "platform/Mounts.h"
#include "platform/VolumeStat.h"
#include "settings/Product.h"
#include "shell/DriveLists.h"
#include "shell/Icons.h"
#include "shell/JobWait.h"
#include "shell/MessageBox.h"
#include "shell/ShellPaths.h"
#include "shell/WindowPlacement.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMimeDatabase>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <vector>

namespace {

QString TimeText(const Platform::TTimeStamp& t) {
    return FormatFileTime(UnixToFileTime(t.Seconds, t.Nanoseconds));
}

QString PermissionText(mode_t mode) {
    const char* letters = "rwxrwxrwx";
    QString text;
    for (int bit = 0; bit < 9; ++bit)
        text += (mode & (0400 >> bit)) ? QLatin1Char(letters[bit]) : QLatin1Char('-');
    if (mode & S_ISUID)
        text[2] = (mode & S_IXUSR) ? QLatin1Char('s') : QLatin1Char('S');
    if (mode & S_ISGID)
        text[5] = (mode & S_IXGRP) ? QLatin1Char('s') : QLatin1Char('S');
    if (mode & S_ISVTX)
        text[8] = (mode & S_IXOTH) ? QLatin1Char('t') : QLatin1Char('T');
    return text + QStringLiteral(" (%1)").arg(mode & 07777, 4, 8, QLatin1Char('0'));
}

QString UserName(uid_t uid) {
    std::vector<char> buffer(16384);
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(uid, &pw, buffer.data(), buffer.size(), &found) == 0 && found)
        return QString::fromLocal8Bit(found->pw_name) + QStringLiteral(" (%1)").arg(uid);
    return QString::number(uid);
}

QString GroupName(gid_t gid) {
    std::vector<char> buffer(16384);
    group gr{};
    group* found = nullptr;
    if (getgrgid_r(gid, &gr, buffer.data(), buffer.size(), &found) == 0 && found)
        return QString::fromLocal8Bit(found->gr_name) + QStringLiteral(" (%1)").arg(gid);
    return QString::number(gid);
}

QString TypeText(const std::string& path, const std::string& head, mode_t mode) {
    if (S_ISDIR(mode))
        return QStringLiteral("Folder");
    if (S_ISLNK(mode))
        return QStringLiteral("Symbolic link");
    if (S_ISFIFO(mode))
        return QStringLiteral("Named pipe");
    if (S_ISSOCK(mode))
        return QStringLiteral("Socket");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("Device");
    // Content and name together; the name alone misleads for renamed files.
    size_t slash = path.rfind('/');
    QMimeType mime = QMimeDatabase().mimeTypeForFileNameAndData(
        DisplayPath(path.substr(slash == std::string::npos ? 0 : slash + 1)),
        QByteArray::fromStdString(head));
    return mime.comment() + QStringLiteral(" (") + mime.name() + QLatin1Char(')');
}

QString SizeText(std::int64_t size) {
    return FormatSize(size) + QStringLiteral(" (") + FormatBytes(size) + QLatin1Char(')');
}

QString NotKnown() {
    return QStringLiteral("not known");
}

QString DriveKindText(Platform::TDriveType type) {
    switch (type) {
    case Platform::TDriveType::Removable:
        return QStringLiteral("Removable disk");
    case Platform::TDriveType::Fixed:
        return QStringLiteral("Local disk");
    case Platform::TDriveType::Remote:
        return QStringLiteral("Network drive");
    case Platform::TDriveType::CdRom:
        return QStringLiteral("CD-ROM drive");
    case Platform::TDriveType::RamDisk:
        return QStringLiteral("RAM disk");
    case Platform::TDriveType::Unknown:
        break;
    }
    return QStringLiteral("Mounted file system");
}

// The drive whose root path is path, read from the mount table alone. A
// mount point that no drive list shows (a pseudo file system, a second
// mount of a listed folder) gets a drive page too, with what the table says.
std::optional<Platform::TDrive> DriveRootedAt(const std::string& path) {
    const std::string root = Platform::NormalisePath(path);
    if (root.empty() || root[0] != '/')
        return std::nullopt;
    const std::vector<Platform::TMountEntry> table = Platform::ReadMountTable();
    // The folder of a gvfs share is the root of its drive without being a
    // mount point of its own; DriveRootOf knows both kinds.
    if (!Platform::IsMountPoint(root, table) && Platform::DriveRootOf(root, table) != root)
        return std::nullopt;
    const Platform::TSystemRoots system;
    for (Platform::TDrive& drive : Platform::DrivesFromMountTable(table, system)) {
        if (drive.RootPath == root)
            return std::move(drive);
    }
    const Platform::TMountEntry* entry = Platform::MountEntryOf(root, table);
    Platform::TDrive drive;
    drive.RootPath = root;
    if (entry) {
        drive.Type = Platform::ClassifyMount(*entry, system);
        drive.FileSystem = entry->FsType;
        drive.Device = entry->Source;
        drive.Label = Platform::LabelOfDevice(entry->Source, system.ByLabelDir);
    }
    drive.DisplayName = Platform::DriveDisplayName(root, drive.Label);
    return drive;
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

TItemReading ReadItem(const std::string& path) {
    TItemReading reading;
    const Platform::TItemAt at(path);
    const TResult<Platform::TItemFacts> facts = at.Facts();
    if (!facts) {
        reading.Error = facts.Failure().Errno;
        return reading;
    }
    reading.Facts = *facts;
    const mode_t mode = facts->Mode;
    if (S_ISREG(mode))
        reading.Head = at.Head(512);
    // A link that cannot be read shows no target rather than a guess.
    if (S_ISLNK(mode)) {
        if (TResult<std::string> target = at.LinkTarget(static_cast<std::size_t>(facts->Size)))
            reading.LinkTarget = std::move(*target);
    }
    if (S_ISDIR(mode)) {
        if (const TResult<std::uint64_t> count = at.EntryCount())
            reading.EntryCount = *count;
    }
    return reading;
}

TItemPropertiesBox::TItemPropertiesBox(const std::string& path, QWidget* parent,
                                       std::optional<std::int64_t> knownSize)
    : TItemPropertiesBox(path,
                         DriveRootedAt(path) ? std::nullopt
                                             : std::optional(ReadItem(WithoutTrailingSlash(path))),
                         parent, knownSize) {}

TItemPropertiesBox::TItemPropertiesBox(const std::string& path,
                                       const std::optional<TItemReading>& reading, QWidget* parent,
                                       std::optional<std::int64_t> knownSize)
    : QDialog(parent), Form(new QFormLayout) {
    setObjectName(QStringLiteral("ItemPropertiesBox"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(Form);
    Form->setLabelAlignment(Qt::AlignRight);

    if (const std::optional<Platform::TDrive> drive = DriveRootedAt(path))
        AddDriveRows(*drive);
    else if (reading)
        AddItemRows(path, *reading, knownSize);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("cmdClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(380);
}

void TItemPropertiesBox::AddTitleRow(const QIcon& icon, const QString& name) {
    auto* iconLabel = new QLabel;
    iconLabel->setPixmap(icon.pixmap(32, 32));
    auto* nameLabel = new QLabel(name);
    nameLabel->setObjectName(QStringLiteral("txtName"));
    nameLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = nameLabel->font();
    bold.setBold(true);
    nameLabel->setFont(bold);
    Form->addRow(iconLabel, nameLabel);
}

void TItemPropertiesBox::AddItemRows(const std::string& path, const TItemReading& reading,
                                     std::optional<std::int64_t> knownSize) {
    const std::string clean = WithoutTrailingSlash(path);
    size_t slash = clean.rfind('/');
    std::string name = slash == std::string::npos ? clean : clean.substr(slash + 1);
    std::string location =
        slash == std::string::npos ? std::string() : (slash == 0 ? "/" : clean.substr(0, slash));
    if (name.empty())
        name.assign(1, '/'); // GCC 12 warns wrongly about name = "/" here

    IsValid = reading.Facts.has_value();
    setWindowTitle(DisplayPath(name) + QStringLiteral(" Properties"));

    bool isFolder = IsValid && S_ISDIR(reading.Facts->Mode);
    AddTitleRow(isFolder ? FolderIcon() : FileIcon(), DisplayPath(name));

    if (!IsValid) {
        AddRow(QStringLiteral("Location:"), DisplayPath(location), "txtLocation");
        AddRow(QStringLiteral("Error:"), QString::fromLocal8Bit(std::strerror(reading.Error)),
               "txtError");
        return;
    }
    const Platform::TItemFacts& item = *reading.Facts;
    AddRow(QStringLiteral("Type:"), TypeText(clean, reading.Head, item.Mode), "txtType");
    AddRow(QStringLiteral("Location:"), DisplayPath(location), "txtLocation");
    if (reading.LinkTarget)
        AddRow(QStringLiteral("Link to:"), DisplayPath(*reading.LinkTarget), "txtLinkTarget");
    if (isFolder) {
        if (knownSize)
            AddRow(QStringLiteral("Size:"), SizeText(*knownSize), "txtSize");
        const std::optional<std::uint64_t>& count = reading.EntryCount;
        AddRow(QStringLiteral("Contains:"),
               !count ? QStringLiteral("cannot be listed")
                      : FormatCount64(static_cast<std::int64_t>(*count)) +
                            (*count == 1 ? QStringLiteral(" item") : QStringLiteral(" items")),
               "txtContains");
    } else {
        AddRow(QStringLiteral("Size:"), SizeText(item.Size), "txtSize");
        AddRow(QStringLiteral("Size on disk:"), FormatBytes(item.DiskUsage), "txtSizeOnDisk");
    }
    std::string drive = Platform::DriveRootOf(clean);
    AddRow(QStringLiteral("Drive:"), DisplayPath(drive), "txtDrive");
    AddRow(QStringLiteral("Created:"),
           item.Created ? TimeText(*item.Created)
                        : QStringLiteral("not recorded by this file system"),
           "txtCreated");
    AddRow(QStringLiteral("Modified:"), TimeText(item.Modified), "txtModified");
    AddRow(QStringLiteral("Accessed:"), TimeText(item.Accessed), "txtAccessed");
    AddRow(QStringLiteral("Permissions:"), PermissionText(item.Mode), "txtPermissions");
    AddRow(QStringLiteral("Owner:"), UserName(item.Owner), "txtOwner");
    AddRow(QStringLiteral("Group:"), GroupName(item.Group), "txtGroup");
}

// Nothing here touches the drive except through the time-limited volume
// queries: the root may be a network share whose server is gone, and the
// dialog opens on the window's thread.
void TItemPropertiesBox::AddDriveRows(const Platform::TDrive& drive) {
    IsValid = true;
    const QString name = DriveText(drive.DisplayName);
    setWindowTitle(name + QStringLiteral(" Properties"));
    AddTitleRow(DriveIcon(drive.Type), name);
    AddRow(QStringLiteral("Type:"), DriveKindText(drive.Type), "txtType");
    AddRow(QStringLiteral("Root path:"), DisplayPath(drive.RootPath), "txtRootPath");
    // A RAM disk's source merely repeats its file system's name.
    if (!drive.Device.empty() && drive.Device != drive.FileSystem)
        AddRow(QStringLiteral("Device:"), DisplayPath(drive.Device), "txtDevice");

    // One probe first, so that a drive that does not answer costs one wait,
    // not one for each figure below.
    Platform::TVolumeStat stat;
    int error = 0;
    const Platform::TProbeResult answer =
        Platform::StatVolume(drive.RootPath, stat, Platform::SlowDriveTimeoutMs, &error);
    if (answer != Platform::TProbeResult::Ok) {
        // The mount table still names the file system without asking the drive.
        AddRow(QStringLiteral("File system:"), DisplayPath(drive.FileSystem), "txtFileSystem");
        AddRow(QStringLiteral("Status:"),
               answer == Platform::TProbeResult::TimedOut
                   ? QStringLiteral("The drive does not answer.")
                   : QString::fromLocal8Bit(std::strerror(error)),
               "txtStatus");
        return;
    }

    const std::string fileSystem = FileSystemNameOf(drive.RootPath);
    AddRow(QStringLiteral("File system:"),
           DisplayPath(fileSystem.empty() ? drive.FileSystem : fileSystem), "txtFileSystem");
    const std::int32_t cluster = ClusterSizeOf(drive.RootPath);
    AddRow(QStringLiteral("Cluster size:"), cluster > 0 ? FormatBytes(cluster) : NotKnown(),
           "txtClusterSize");
    const std::int64_t total = DiskTotalBytes(drive.RootPath);
    const std::int64_t free = DiskFreeBytes(drive.RootPath);
    AddRow(QStringLiteral("Capacity:"), total >= 0 ? SizeText(total) : NotKnown(), "txtCapacity");
    if (total < 0 || free < 0) {
        AddRow(QStringLiteral("Used space:"), NotKnown(), "txtUsed");
        AddRow(QStringLiteral("Free space:"), NotKnown(), "txtFree");
        return;
    }
    // Free is what the user may still write, as everywhere in the program;
    // a file system's reserve for the superuser therefore counts as used,
    // and the two figures add up to the capacity.
    const std::int64_t used = std::max<std::int64_t>(total - free, 0);
    AddRow(QStringLiteral("Used space:"), SizeText(used), "txtUsed");
    AddRow(QStringLiteral("Free space:"), SizeText(free), "txtFree");
    auto* bar = new QProgressBar;
    bar->setObjectName(QStringLiteral("barUsed"));
    bar->setRange(0, 100);
    bar->setValue(PercentOf(total, used));
    bar->setFormat(QStringLiteral("%p% used"));
    Form->addRow(QString(), bar);
}

void TItemPropertiesBox::AddRow(const QString& caption, const QString& text,
                                const char* objectName) {
    auto* value = new QLabel(text);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setWordWrap(true);
    if (objectName)
        value->setObjectName(QString::fromLatin1(objectName));
    Form->addRow(caption, value);
}

QString TItemPropertiesBox::RowText(const QString& caption) const {
    for (int row = 0; row < Form->rowCount(); ++row) {
        auto* label = Form->itemAt(row, QFormLayout::LabelRole);
        auto* field = Form->itemAt(row, QFormLayout::FieldRole);
        auto* captionLabel = label ? qobject_cast<QLabel*>(label->widget()) : nullptr;
        auto* valueLabel = field ? qobject_cast<QLabel*>(field->widget()) : nullptr;
        if (captionLabel && valueLabel && captionLabel->text() == caption)
            return valueLabel->text();
    }
    return {};
}

bool ShowItemProperties(const std::string& path, QWidget* owner,
                        std::optional<std::int64_t> knownSize, bool mayHang) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::optional<TItemReading> reading;
    if (!DriveRootedAt(path)) {
        reading = CallWithinLimit<TItemReading>(
            mayHang || Platform::MayHang(path),
            [clean = WithoutTrailingSlash(path)] { return ReadItem(clean); });
        if (!reading) {
            QApplication::restoreOverrideCursor();
            TMessageBox::Error(owner, QString::fromLatin1(ProductTitle), NotAnsweringText(path));
            return false;
        }
    }
    TItemPropertiesBox box(path, reading, owner, knownSize);
    QApplication::restoreOverrideCursor();
    if (!box.Valid())
        return false;
    CenterOverMainWindow(owner ? owner->window() : nullptr, &box);
    box.exec();
    return true;
}
