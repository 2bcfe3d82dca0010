// The properties dialog. Facts come from statx on the raw bytes, so names that
// are not UTF-8 and paths of any length are shown as they are on disk.
#include "shell/ItemProperties.h"

#include "platform/DirReader.h"

#include "engine/Formatting.h"
#include "platform/Mounts.h"
#include "settings/Product.h"
#include "shell/WindowPlacement.h"
#include "shell/Icons.h"
#include "shell/ShellPaths.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMimeDatabase>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QString TimeText(const struct statx_timestamp& t) {
    return FormatFileTime(UnixToFileTime(t.tv_sec, t.tv_nsec));
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

// An item named relative to its folder's descriptor, so that paths of any
// length can be examined.
struct TItemAt {
    Platform::TFd Folder;
    std::string Name;
    int Dir() const { return Folder.Valid() ? Folder.Get() : AT_FDCWD; }
};

TItemAt ItemAt(const std::string& path) {
    TItemAt at;
    int error = 0;
    at.Folder = Platform::OpenParentOf(path, at.Name, error);
    if (!at.Folder.Valid())
        at.Name = path; // "/" has no parent; short paths work as they are
    return at;
}

// Entries directly inside a folder; -1 when it cannot be listed.
long long EntryCount(const TItemAt& at) {
    const int fd = openat(at.Dir(), at.Name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!dir) {
        if (fd >= 0)
            close(fd);
        return -1;
    }
    long long count = 0;
    while (dirent* e = readdir(dir)) {
        const char* n = e->d_name;
        if (!(n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))))
            ++count;
    }
    closedir(dir);
    return count;
}

QString TypeText(const std::string& path, const TItemAt& at, const struct statx& sx) {
    mode_t mode = sx.stx_mode;
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
    QByteArray head;
    int fd = openat(at.Dir(), at.Name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) {
        head.resize(512);
        ssize_t n = read(fd, head.data(), static_cast<size_t>(head.size()));
        head.resize(n > 0 ? n : 0);
        close(fd);
    }
    size_t slash = path.rfind('/');
    QMimeType mime = QMimeDatabase().mimeTypeForFileNameAndData(
        DisplayPath(path.substr(slash == std::string::npos ? 0 : slash + 1)), head);
    return mime.comment() + QStringLiteral(" (") + mime.name() + QLatin1Char(')');
}

} // namespace

TItemPropertiesBox::TItemPropertiesBox(const std::string& path, QWidget* parent,
                                       std::optional<std::int64_t> knownSize)
    : QDialog(parent), Form(new QFormLayout) {
    setObjectName(QStringLiteral("ItemPropertiesBox"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(Form);
    Form->setLabelAlignment(Qt::AlignRight);

    std::string clean = path;
    while (clean.size() > 1 && clean.back() == '/')
        clean.pop_back();
    size_t slash = clean.rfind('/');
    std::string name = slash == std::string::npos ? clean : clean.substr(slash + 1);
    std::string location =
        slash == std::string::npos ? std::string() : (slash == 0 ? "/" : clean.substr(0, slash));
    if (name.empty())
        name = "/";

    struct statx sx {};
    unsigned mask = STATX_BASIC_STATS | STATX_BTIME;
    const TItemAt at = ItemAt(clean);
    IsValid =
        statx(at.Dir(), at.Name.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask, &sx) == 0;
    int statError = errno;
    setWindowTitle(DisplayPath(name) + QStringLiteral(" Properties"));

    auto* icon = new QLabel;
    bool isFolder = IsValid && S_ISDIR(sx.stx_mode);
    icon->setPixmap((isFolder ? FolderIcon() : FileIcon()).pixmap(32, 32));
    auto* nameLabel = new QLabel(DisplayPath(name));
    nameLabel->setObjectName(QStringLiteral("txtName"));
    nameLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = nameLabel->font();
    bold.setBold(true);
    nameLabel->setFont(bold);
    Form->addRow(icon, nameLabel);

    if (!IsValid) {
        AddRow(QStringLiteral("Location:"), DisplayPath(location), "txtLocation");
        AddRow(QStringLiteral("Error:"), QString::fromLocal8Bit(std::strerror(statError)),
               "txtError");
    } else {
        AddRow(QStringLiteral("Type:"), TypeText(clean, at, sx), "txtType");
        AddRow(QStringLiteral("Location:"), DisplayPath(location), "txtLocation");
        if (S_ISLNK(sx.stx_mode)) {
            // Some file systems report links as 0 bytes long.
            std::vector<char> target(std::max<size_t>(sx.stx_size, PATH_MAX) + 1);
            ssize_t n = readlinkat(at.Dir(), at.Name.c_str(), target.data(), target.size());
            if (n >= 0)
                AddRow(QStringLiteral("Link to:"),
                       DisplayPath(std::string(target.data(), static_cast<size_t>(n))),
                       "txtLinkTarget");
        }
        if (isFolder) {
            if (knownSize)
                AddRow(QStringLiteral("Size:"),
                       FormatSize(*knownSize) + QStringLiteral(" (") + FormatBytes(*knownSize) +
                           QLatin1Char(')'),
                       "txtSize");
            long long count = EntryCount(at);
            AddRow(QStringLiteral("Contains:"),
                   count < 0 ? QStringLiteral("cannot be listed")
                             : FormatCount64(count) + (count == 1 ? QStringLiteral(" item")
                                                                  : QStringLiteral(" items")),
                   "txtContains");
        } else {
            auto size = static_cast<std::int64_t>(sx.stx_size);
            AddRow(QStringLiteral("Size:"),
                   FormatSize(size) + QStringLiteral(" (") + FormatBytes(size) + QLatin1Char(')'),
                   "txtSize");
            auto allocated = static_cast<std::int64_t>(sx.stx_blocks) * 512;
            AddRow(QStringLiteral("Size on disk:"), FormatBytes(allocated), "txtSizeOnDisk");
        }
        std::string drive = Platform::DriveRootOf(clean);
        AddRow(QStringLiteral("Drive:"), DisplayPath(drive), "txtDrive");
        AddRow(QStringLiteral("Created:"),
               (sx.stx_mask & STATX_BTIME) ? TimeText(sx.stx_btime)
                                           : QStringLiteral("not recorded by this file system"),
               "txtCreated");
        AddRow(QStringLiteral("Modified:"), TimeText(sx.stx_mtime), "txtModified");
        AddRow(QStringLiteral("Accessed:"), TimeText(sx.stx_atime), "txtAccessed");
        AddRow(QStringLiteral("Permissions:"), PermissionText(sx.stx_mode), "txtPermissions");
        AddRow(QStringLiteral("Owner:"), UserName(sx.stx_uid), "txtOwner");
        AddRow(QStringLiteral("Group:"), GroupName(sx.stx_gid), "txtGroup");
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("cmdClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(380);
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
                        std::optional<std::int64_t> knownSize) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TItemPropertiesBox box(path, owner, knownSize);
    QApplication::restoreOverrideCursor();
    if (!box.Valid())
        return false;
    CenterOverMainWindow(owner ? owner->window() : nullptr, &box);
    box.exec();
    return true;
}
