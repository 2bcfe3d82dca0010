#include "ui/cleanup/FolderListBox.h"

#include "engine/NameOrder.h"
#include "engine/Paths.h"
#include "platform/DirReader.h"
#include "platform/VolumeStat.h"
#include "shell/Icons.h"
#include "shell/ShellPaths.h"

#include <QHeaderView>

#include <atomic>
#include <cerrno>
#include <string_view>

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int FilledRole = Qt::UserRole + 1;

class TFolderNames : public Platform::TListSink {
public:
    std::vector<std::string> Names;
    void OnFile(const char*, std::size_t, const Platform::TFileFacts&) override {}
    void OnFolder(const char* name, std::size_t length, bool) override {
        Names.emplace_back(name, length);
    }
    void OnUnreadable(const char*, std::size_t, int) override {}
};

Platform::TProbeOutput SubfolderWork(const std::string& path) {
    Platform::TProbeOutput out;
    int error = 0;
    Platform::TFd fd = Platform::OpenFolderPath(path, error);
    if (!fd.Valid()) {
        out.Error = error;
        return out;
    }
    TFolderNames sink;
    const std::atomic<bool> never{false};
    std::vector<char> buffer;
    bool aborted = false;
    // Mount id 0: a drive mounted inside is a folder like any other here, a
    // place the user may move to.
    if (!Platform::ListFolder(fd.Get(), 0, sink, never, buffer, aborted, error)) {
        out.Error = error;
        return out;
    }
    out.Names = std::move(sink.Names);
    return out;
}

// Folders whose name starts with "." are the desktop's hidden ones; the
// picker shows them only on the way to a current folder inside one.
bool IsHiddenName(const std::string& name) {
    return !name.empty() && name[0] == '.';
}

} // namespace

bool ListSubfolders(const std::string& path, std::vector<std::string>& names, int timeoutMs,
                    int& error) {
    Platform::TProbeOutput out;
    const Platform::TProbeResult result = Platform::RunProbe(
        "subfolders:" + path, [path] { return SubfolderWork(path); }, timeoutMs, out);
    if (result == Platform::TProbeResult::TimedOut) {
        error = ETIMEDOUT;
        return false;
    }
    error = out.Error;
    if (result != Platform::TProbeResult::Ok || out.Error != 0)
        return false;
    SortByName(out.Names, [](const std::string& name) -> std::string_view { return name; });
    names = std::move(out.Names);
    return true;
}

TFolderListBox::TFolderListBox(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { FillChildren(item); });
    connect(this, &QTreeWidget::currentItemChanged, this, &TFolderListBox::CurrentChanged);
}

std::string TFolderListBox::PathOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, PathRole).toByteArray().toStdString() : std::string();
}

std::string TFolderListBox::Folder() const {
    return PathOf(currentItem());
}

QTreeWidgetItem* TFolderListBox::AddFolder(QTreeWidgetItem* parent, const std::string& path,
                                           int index) {
    auto* item = new QTreeWidgetItem;
    if (!parent)
        addTopLevelItem(item);
    else
        parent->insertChild(index < 0 ? parent->childCount() : index, item);
    item->setText(0, DisplayPath(parent ? LastComponent(path) : path));
    item->setToolTip(0, DisplayPath(path));
    item->setIcon(0, FolderIcon());
    item->setData(0, PathRole, QByteArray::fromStdString(path));
    item->setData(0, FilledRole, false);
    // Whether a folder has subfolders is known only once it is listed; until
    // then it may, and listing every folder shown would be slow on a share.
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

bool TFolderListBox::FillChildren(QTreeWidgetItem* item) {
    if (item->data(0, FilledRole).toBool())
        return true;
    item->setData(0, FilledRole, true);
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    const std::string path = PathOf(item);
    std::vector<std::string> names;
    int error = 0;
    if (!ListSubfolders(path, names, ListTimeoutMs, error)) {
        item->setToolTip(0, DisplayPath(path) + QStringLiteral(": ") +
                                QString::fromStdString(Platform::ErrorText(error)));
        return false;
    }
    for (const std::string& name : names)
        if (!IsHiddenName(name))
            AddFolder(item, IncludeTrailingBackslash(path) + name);
    return true;
}

QTreeWidgetItem* TFolderListBox::ChildNamed(QTreeWidgetItem* item, const std::string& name) const {
    const std::string path = IncludeTrailingBackslash(PathOf(item)) + name;
    for (int i = 0; i < item->childCount(); ++i)
        if (PathOf(item->child(i)) == path)
            return item->child(i);
    return nullptr;
}

bool TFolderListBox::SetDrive(const std::string& root, int& error) {
    std::vector<std::string> names;
    if (!ListSubfolders(root, names, ListTimeoutMs, error))
        return false;
    {
        const QSignalBlocker quiet(this);
        clear();
        Root = root;
        QTreeWidgetItem* top = AddFolder(nullptr, root);
        top->setData(0, FilledRole, true);
        top->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
        for (const std::string& name : names)
            if (!IsHiddenName(name))
                AddFolder(top, IncludeTrailingBackslash(root) + name);
        top->setExpanded(true);
        setCurrentItem(top);
        MarkCurrent(top, true);
    }
    Shown = root;
    emit OnChange();
    return true;
}

bool TFolderListBox::SetFolder(const std::string& path) {
    QTreeWidgetItem* item = topLevelItem(0);
    if (!item || !Platform::IsPathPrefix(Root, path))
        return false;
    bool reached = true;
    std::size_t at = Root == "/" ? 1 : Root.size() + 1;
    while (at < path.size()) {
        std::size_t end = path.find('/', at);
        if (end == std::string::npos)
            end = path.size();
        const std::string name = path.substr(at, end - at);
        at = end + 1;
        if (name.empty())
            continue;
        if (!FillChildren(item)) {
            reached = false;
            break;
        }
        QTreeWidgetItem* child = ChildNamed(item, name);
        bool exists = false;
        if (!child && IsHiddenName(name) &&
            Platform::ProbeExists(IncludeTrailingBackslash(PathOf(item)) + name, true,
                                  ListTimeoutMs, exists) == Platform::TProbeResult::Ok &&
            exists) {
            child = AddFolder(item, IncludeTrailingBackslash(PathOf(item)) + name, 0);
        }
        if (!child) {
            reached = false;
            break;
        }
        item->setExpanded(true);
        item = child;
    }
    setCurrentItem(item);
    scrollToItem(item);
    return reached;
}

void TFolderListBox::MarkCurrent(QTreeWidgetItem* item, bool current) {
    QFont font = item->font(0);
    font.setBold(current);
    item->setFont(0, font);
    item->setIcon(0, current ? ThemeIcon("folder-open", QStyle::SP_DirOpenIcon) : FolderIcon());
}

void TFolderListBox::CurrentChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
    if (previous)
        MarkCurrent(previous, false);
    if (!current)
        return;
    MarkCurrent(current, true);
    const std::string folder = PathOf(current);
    if (folder == Shown)
        return;
    Shown = folder;
    emit OnChange();
}
