#include "models/LargestFilesModel.h"

#include "engine/Formatting.h"

#include <QThreadPool>

#include <algorithm>
#include <map>

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Glob matching with backtracking to the last star only: linear for the
// patterns people type, and never recursive.
bool Glob(std::string_view name, std::string_view pattern) {
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

bool NameMatchesFilter(std::string_view name, std::string_view pattern) {
    bool any = false;
    std::string wrapped;
    while (!pattern.empty()) {
        const std::size_t end = std::min(pattern.find(';'), pattern.size());
        std::string_view one = pattern.substr(0, end);
        pattern.remove_prefix(std::min(end + 1, pattern.size()));
        while (!one.empty() && one.front() == ' ')
            one.remove_prefix(1);
        while (!one.empty() && one.back() == ' ')
            one.remove_suffix(1);
        if (one.empty())
            continue;
        any = true;
        wrapped.assign(1, '*').append(one).append(1, '*');
        if (Glob(name, wrapped))
            return true;
    }
    return !any;
}

std::string TLargestFileRow::Path() const {
    std::string path = FolderPath;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += Files->Name(Index);
    return path;
}

TLargestFilesModel::TLargestFilesModel(QObject* parent)
    : QAbstractTableModel(parent), Latest(std::make_shared<std::atomic<std::uint64_t>>(0)),
      Pool(std::make_unique<QThreadPool>()) {
    // One search at a time: a newer request waits for the running one,
    // which is quick, and the ones it overtook are skipped.
    Pool->setMaxThreadCount(1);
}

TLargestFilesModel::~TLargestFilesModel() {
    Latest->store(~std::uint64_t{0});
    Pool->waitForDone();
}

void TLargestFilesModel::SetFolder(const TFolderNode* folder, std::int32_t clusterSize) {
    Folder = folder;
    ClusterSize = clusterSize;
    Start();
}

void TLargestFilesModel::Recompute() {
    Start();
}

void TLargestFilesModel::ForgetNodes() {
    Folder = nullptr;
    for (TLargestFileRow& row : Rows)
        row.Folder = nullptr;
    // A search under way gathered nodes that may go now.
    Latest->store(++Pending);
}

void TLargestFilesModel::SetCount(int count) {
    count = std::clamp(count, 1, MaxCount);
    if (count == Wanted)
        return;
    Wanted = count;
    Start();
}

void TLargestFilesModel::SetNameFilter(const QString& pattern) {
    std::string bytes = pattern.toStdString();
    if (bytes == Pattern)
        return;
    Pattern = std::move(bytes);
    Start();
}

void TLargestFilesModel::ShowExtension(TExtensionId extension) {
    OnlyExtension = extension;
    Start();
}

void TLargestFilesModel::ClearExtension() {
    if (!OnlyExtension)
        return;
    OnlyExtension.reset();
    Start();
}

void TLargestFilesModel::Start() {
    const std::uint64_t request = ++Pending;
    Latest->store(request);
    Kept = !Folder || FilesKeptFor(Folder);
    if (!Folder || !Kept) {
        Arrived(request, {}, {});
        return;
    }
    auto lists = std::make_shared<std::vector<TFolderFiles>>(GatherFiles(Folder));
    Pool->start([this, request, latest = Latest, lists, count = std::size_t(Wanted),
                 pattern = Pattern, extension = OnlyExtension] {
        if (latest->load() != request)
            return;
        TFileFilter accept;
        if (!pattern.empty() || extension)
            accept = [&](const TFileList& files, std::uint32_t i) {
                return (!extension || files.Entry(i).Extension() == *extension) &&
                       NameMatchesFilter(files.Name(i), pattern);
            };
        auto found = std::make_shared<std::vector<TFileAt>>(LargestFiles(*lists, count, accept));
        // The model waits for this task before it goes, so `this` is alive.
        QMetaObject::invokeMethod(
            this, [this, request, lists, found] { Arrived(request, *lists, *found); },
            Qt::QueuedConnection);
    });
}

void TLargestFilesModel::Arrived(std::uint64_t request, std::vector<TFolderFiles> lists,
                                 std::vector<TFileAt> found) {
    if (request != Pending)
        return;
    Shown = request;
    beginResetModel();
    Rows.clear();
    Rows.reserve(found.size());
    // Many of the files share a folder: each folder's path is made once.
    std::map<std::uint32_t, std::pair<std::string, QString>> folders;
    for (const TFileAt& at : found) {
        const TFolderFiles& list = lists[at.Folder];
        auto [it, added] = folders.try_emplace(at.Folder);
        if (added) {
            it->second.first = NodePath(list.Folder);
            it->second.second = DisplayText(it->second.first);
        }
        TLargestFileRow row;
        row.Files = list.Files;
        row.Index = at.Index;
        row.Rank = static_cast<std::uint32_t>(Rows.size());
        row.Folder = list.Folder;
        row.FolderPath = it->second.first;
        row.FolderText = it->second.second;
        row.Name = DisplayText(list.Files->Name(at.Index));
        Rows.push_back(std::move(row));
    }
    SortRows();
    endResetModel();
    emit Updated();
}

QString TLargestFilesModel::StateText() const {
    if (!Kept)
        return tr("Files were not kept when this folder was scanned, so they cannot be listed. "
                  "Scan it again with \"Keep every file\" on.");
    if (Rows.empty() && Searching())
        return tr("Searching...");
    if (Rows.empty() && (!Pattern.empty() || OnlyExtension))
        return tr("No file matches the filter.");
    if (Rows.empty() && Shown != 0)
        return tr("There are no files below this folder.");
    return {};
}

QStringList TLargestFilesModel::Cells(int row, bool bytes) const {
    const TLargestFileRow& r = Row(row);
    const TFileEntry& e = r.Entry();
    const auto size = [bytes](std::int64_t n) {
        return bytes ? QString::number(n) : FormatSize(n);
    };
    return {r.Name,
            r.FolderText,
            size(e.Size()),
            size(e.Allocated()),
            size(ClusterSlack(ClusterSize, e.Size())),
            e.WriteSeconds() ? FormatFileTime(e.WriteFileTime()) : QString()};
}

int TLargestFilesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(Rows.size());
}

int TLargestFilesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColCount;
}

QVariant TLargestFilesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColCount)
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        if (role == Qt::ToolTipRole && index.column() >= ColSize && index.column() <= ColWasted)
            return Cells(index.row(), true)[index.column()] + tr(" bytes");
        return Cells(index.row())[index.column()];
    }
    if (role == Qt::TextAlignmentRole && index.column() >= ColSize)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant TLargestFilesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case ColName:
        return tr("Name");
    case ColFolder:
        return tr("Folder");
    case ColSize:
        return tr("Size");
    case ColAllocated:
        return tr("Allocated");
    case ColWasted:
        return tr("Wasted");
    case ColModified:
        return tr("Modified");
    default:
        return {};
    }
}

void TLargestFilesModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= ColCount)
        return;
    SortColumn = column;
    SortOrder = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    SortRows();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TLargestFilesModel::SortRows() {
    const std::int32_t cluster = ClusterSize;
    // -1, 0 or 1 by one column's key.
    const auto order = [this, cluster](const TLargestFileRow& a, const TLargestFileRow& b) {
        const TFileEntry& x = a.Entry();
        const TFileEntry& y = b.Entry();
        const auto cmp = [](auto u, auto v) { return u < v ? -1 : (v < u ? 1 : 0); };
        switch (SortColumn) {
        case ColName:
            return a.Name.compare(b.Name, Qt::CaseInsensitive);
        case ColFolder:
            return a.FolderText.compare(b.FolderText, Qt::CaseInsensitive);
        case ColAllocated:
            return cmp(x.Allocated(), y.Allocated());
        case ColWasted:
            return cmp(ClusterSlack(cluster, x.Size()), ClusterSlack(cluster, y.Size()));
        case ColModified:
            return cmp(x.WriteSeconds(), y.WriteSeconds());
        default:
            return cmp(x.Size(), y.Size());
        }
    };
    // Equal keys keep the search's order, largest first, either way.
    const bool ascending = SortOrder == Qt::AscendingOrder;
    std::sort(Rows.begin(), Rows.end(), [&](const TLargestFileRow& a, const TLargestFileRow& b) {
        const int c = order(a, b);
        if (c != 0)
            return ascending ? c < 0 : c > 0;
        return a.Rank < b.Rank;
    });
}
