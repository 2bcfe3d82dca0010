#include "models/FileTypesModel.h"

#include "engine/Formatting.h"

#include <QColor>
#include <QMetaObject>

#include <algorithm>
#include <array>
#include <mutex>
#include <utility>

// Where a worker's result goes: the model, while it lives. The worker posts
// under the lock, and the model's destructor clears the target under it, so
// a result is either posted to a live model (and dropped with its events
// should the model go before it arrives) or not posted at all.
struct TFileTypesModel::TDelivery {
    std::mutex Lock;
    TFileTypesModel* Target = nullptr;
};

namespace {

// The internal id of an extension's row: its kind's row plus one; 0 marks a
// kind's row.
constexpr quintptr KindRowId = 0;

void Add(TFileTypeFigures& total, const TFileTypeFigures& row) {
    total.Files += row.Files;
    total.Size += row.Size;
    total.Allocated += row.Allocated;
    total.Wasted += row.Wasted;
}

} // namespace

std::vector<TFileCategoryRow> GroupFileTypes(const std::vector<TFolderFiles>& lists,
                                             std::int32_t clusterSize) {
    std::array<TFileCategoryRow, FileCategoryCount> kinds;
    for (int k = 0; k < FileCategoryCount; ++k)
        kinds[static_cast<std::size_t>(k)].Category = static_cast<TFileCategory>(k);
    // The figures come largest first, and stay so within each kind.
    for (const TFileTypeFigures& figures : FileTypeFigures(lists, clusterSize)) {
        const TFileCategory kind = FileCategoryOf(figures.Extension);
        TFileCategoryRow& row = kinds[static_cast<std::size_t>(kind)];
        row.Types.push_back({figures, kind});
        Add(row.Totals, figures);
    }
    std::vector<TFileCategoryRow> rows;
    for (TFileCategoryRow& kind : kinds)
        if (!kind.Types.empty())
            rows.push_back(std::move(kind));
    std::stable_sort(rows.begin(), rows.end(),
                     [](const TFileCategoryRow& a, const TFileCategoryRow& b) {
                         return a.Totals.Size > b.Totals.Size;
                     });
    return rows;
}

TFileTypesModel::TFileTypesModel(QObject* parent)
    : QAbstractItemModel(parent), Delivery(std::make_shared<TDelivery>()) {
    Delivery->Target = this;
}

TFileTypesModel::~TFileTypesModel() {
    std::lock_guard hold(Delivery->Lock);
    Delivery->Target = nullptr;
    if (Job)
        Job->Stop();
}

void TFileTypesModel::ShowFolder(const TFolderNode* folder, std::int32_t clusterSize) {
    ++Request;
    if (Job) {
        Job->Stop();
        Job.reset();
    }
    if (!folder || !folder->Data) {
        Clear();
        return;
    }
    const std::int64_t total = folder->Data->TreeSize;
    if (!FilesKeptFor(folder)) {
        beginResetModel();
        Rows.clear();
        FolderTotal = total;
        endResetModel();
        SetState(TState::NotKept);
        return;
    }
    // The nodes are the tree's thread's: the worker gets the lists alone.
    std::vector<TFolderFiles> lists = GatherFiles(folder);
    for (TFolderFiles& list : lists)
        list.Folder = nullptr;
    SetState(TState::Counting);
    const std::uint64_t request = Request;
    Job = TBackgroundJob::Start([lists = std::move(lists), clusterSize, request, total,
                                 delivery = Delivery](TBackgroundJob& job) {
        if (job.Stopping())
            return;
        std::vector<TFileCategoryRow> rows = GroupFileTypes(lists, clusterSize);
        if (job.Stopping())
            return;
        std::lock_guard hold(delivery->Lock);
        if (TFileTypesModel* model = delivery->Target)
            QMetaObject::invokeMethod(
                model,
                [model, request, total, rows = std::move(rows)]() mutable {
                    model->Take(request, std::move(rows), total);
                },
                Qt::QueuedConnection);
    });
}

void TFileTypesModel::Clear() {
    ++Request;
    if (Job) {
        Job->Stop();
        Job.reset();
    }
    beginResetModel();
    Rows.clear();
    FolderTotal = 0;
    endResetModel();
    SetState(TState::Empty);
}

void TFileTypesModel::Take(std::uint64_t request, std::vector<TFileCategoryRow> rows,
                           std::int64_t folderTotal) {
    if (request != Request)
        return; // a newer request took its place
    Job.reset();
    beginResetModel();
    Rows = std::move(rows);
    FolderTotal = folderTotal;
    Arrange();
    endResetModel();
    SetState(TState::Ready);
}

void TFileTypesModel::SetState(TState state) {
    Current = state;
    emit Changed();
}

QString TFileTypesModel::StateText() const {
    switch (Current) {
    case TState::NotKept:
        return tr("The files of this folder were not kept when it was scanned: only folder "
                  "totals are known. Scan it again with \"Keep every file\" on to see its "
                  "file types.");
    case TState::Counting:
        return tr("Counting the files...");
    case TState::Ready:
        if (Rows.empty())
            return tr("This folder holds no files.");
        break;
    case TState::Empty:
        break;
    }
    return {};
}

std::optional<TExtensionId> TFileTypesModel::ExtensionAt(const QModelIndex& index) const {
    if (!index.isValid() || index.internalId() == KindRowId)
        return std::nullopt;
    const auto& kind = Rows[index.internalId() - 1];
    return kind.Types[static_cast<std::size_t>(index.row())].Figures.Extension;
}

QString TFileTypesModel::ExtensionText(TExtensionId extension) {
    if (extension == 0)
        return tr("(no extension)");
    return QStringLiteral(".") + DisplayText(FileExtensionName(extension));
}

QString TFileTypesModel::PercentText(double percent) {
    return FormatNumber(percent, 1) + QStringLiteral(" %");
}

double TFileTypesModel::PercentOf(std::int64_t size) const {
    return FolderTotal > 0 ? 100.0 * static_cast<double>(size) / static_cast<double>(FolderTotal)
                           : 0.0;
}

QModelIndex TFileTypesModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= ColumnCount)
        return {};
    if (!parent.isValid())
        return static_cast<std::size_t>(row) < Rows.size() ? createIndex(row, column, KindRowId)
                                                           : QModelIndex();
    if (parent.internalId() != KindRowId)
        return {};
    const auto kind = static_cast<std::size_t>(parent.row());
    if (kind >= Rows.size() || static_cast<std::size_t>(row) >= Rows[kind].Types.size())
        return {};
    return createIndex(row, column, static_cast<quintptr>(kind + 1));
}

QModelIndex TFileTypesModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == KindRowId)
        return {};
    return createIndex(static_cast<int>(child.internalId() - 1), 0, KindRowId);
}

int TFileTypesModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return static_cast<int>(Rows.size());
    if (parent.internalId() != KindRowId || parent.column() != 0)
        return 0;
    return static_cast<int>(Rows[static_cast<std::size_t>(parent.row())].Types.size());
}

int TFileTypesModel::columnCount(const QModelIndex&) const {
    return ColumnCount;
}

QVariant TFileTypesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const bool kindRow = index.internalId() == KindRowId;
    const TFileCategoryRow& kind =
        Rows[kindRow ? static_cast<std::size_t>(index.row()) : index.internalId() - 1];
    const TFileTypeFigures& f =
        kindRow ? kind.Totals : kind.Types[static_cast<std::size_t>(index.row())].Figures;
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case ColExtension:
            return kindRow ? FileCategoryName(kind.Category) : ExtensionText(f.Extension);
        case ColCategory:
            return kindRow ? tr("%n extension(s)", nullptr, static_cast<int>(kind.Types.size()))
                           : FileCategoryName(kind.Category);
        case ColFiles:
            return FormatCount64(static_cast<std::int64_t>(f.Files));
        case ColSize:
            return FormatSize(f.Size);
        case ColAllocated:
            return FormatSize(f.Allocated);
        case ColWasted:
            return FormatSize(f.Wasted);
        case ColPercent:
            return PercentText(PercentOf(f.Size));
        default:
            return {};
        }
    case ValueRole:
        switch (column) {
        case ColExtension:
            return kindRow ? FileCategoryName(kind.Category) : ExtensionText(f.Extension);
        case ColCategory:
            return FileCategoryName(kind.Category);
        case ColFiles:
            return static_cast<qulonglong>(f.Files);
        case ColSize:
            return static_cast<qlonglong>(f.Size);
        case ColAllocated:
            return static_cast<qlonglong>(f.Allocated);
        case ColWasted:
            return static_cast<qlonglong>(f.Wasted);
        case ColPercent:
            return PercentOf(f.Size);
        default:
            return {};
        }
    case Qt::ToolTipRole:
        if (column >= ColSize && column <= ColWasted)
            return FormatBytes(column == ColSize        ? f.Size
                               : column == ColAllocated ? f.Allocated
                                                        : f.Wasted);
        return {};
    case Qt::DecorationRole:
        if (column == ColExtension)
            return FileCategoryColor(kind.Category);
        return {};
    case Qt::TextAlignmentRole:
        if (column >= ColFiles)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant TFileTypesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return section >= ColFiles ? QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter)
                                   : QVariant();
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case ColExtension:
        return tr("Extension");
    case ColCategory:
        return tr("Category");
    case ColFiles:
        return tr("Files");
    case ColSize:
        return tr("Size");
    case ColAllocated:
        return tr("Allocated");
    case ColWasted:
        return tr("Wasted");
    case ColPercent:
        return tr("% of Folder");
    default:
        return {};
    }
}

void TFileTypesModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= ColumnCount)
        return;
    SortColumn = column;
    SortOrder = order;
    beginResetModel();
    Arrange();
    endResetModel();
}

void TFileTypesModel::Arrange() {
    // Kinds and extensions by the same column; ties by size, then by name,
    // so equal rows keep one order whatever was sorted before.
    const int column = SortColumn;
    const bool up = SortOrder == Qt::AscendingOrder;
    const auto figure = [column](const TFileTypeFigures& f) -> std::int64_t {
        switch (column) {
        case ColFiles:
            return static_cast<std::int64_t>(f.Files);
        case ColAllocated:
            return f.Allocated;
        case ColWasted:
            return f.Wasted;
        default:
            return f.Size; // size, percent, and the ties of the text columns
        }
    };
    const auto before = [&](const TFileTypeFigures& a, const QString& aName,
                            const TFileTypeFigures& b, const QString& bName) {
        if (column == ColExtension || column == ColCategory) {
            const int c = QString::localeAwareCompare(aName, bName);
            if (c != 0)
                return up ? c < 0 : c > 0;
        }
        const std::int64_t x = figure(a), y = figure(b);
        if (x != y)
            return up ? x < y : x > y;
        if (a.Size != b.Size)
            return a.Size > b.Size;
        return aName < bName;
    };
    std::stable_sort(Rows.begin(), Rows.end(),
                     [&](const TFileCategoryRow& a, const TFileCategoryRow& b) {
                         return before(a.Totals, FileCategoryName(a.Category), b.Totals,
                                       FileCategoryName(b.Category));
                     });
    for (TFileCategoryRow& kind : Rows)
        std::stable_sort(kind.Types.begin(), kind.Types.end(),
                         [&](const TFileTypeRow& a, const TFileTypeRow& b) {
                             return before(a.Figures, ExtensionText(a.Figures.Extension), b.Figures,
                                           ExtensionText(b.Figures.Extension));
                         });
}
