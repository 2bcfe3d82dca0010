// Rows, cell texts, filters and sort rules of the subfolder list, and the
// table model that shows them.
#include "models/SubfolderList.h"

#include "engine/Formatting.h"

#include <QColor>
#include <QCoreApplication>
#include <QDate>
#include <QLocale>
#include <QTime>

#include <algorithm>
#include <limits>
#include <numeric>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("SubfolderList", text);
}

int Sign(std::int64_t v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

} // namespace

QStringList SubfolderColumnCaptions() {
    return {Tr("Name"),        Tr("Size"),    Tr("Allocated"),   Tr("Wasted"),
            Tr("% of Parent"), Tr("Objects"), Tr("Last Access"), Tr("Last Change"),
            Tr("Then"),        Tr("Change"),  Tr("Change %")};
}

QStringList FoldersDisplayTypeNames() {
    return {Tr("Top Large Folders"), Tr("Folders Larger Than"), Tr("All Folders")};
}

QStringList LargerThanUnitNames() {
    return {Tr("bytes"), Tr("KB"), Tr("MB")};
}

std::int64_t ListThreshold(int displayType, int position, int unit) {
    if (displayType != DisplayLargerThan)
        return 0;
    static const std::int64_t factors[] = {1, 1024, 1048576};
    return std::int64_t{position} * factors[std::clamp(unit, 0, 2)];
}

int TopCountOf(const QString& text) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok, 10);
    return ok ? n : 10;
}

std::int64_t ListValue(const TFolderSize& record, bool includeWasted, int whatIfIndex) {
    return record.TreeSize + (includeWasted ? ShownTreeWasted(record, whatIfIndex) : 0);
}

QString ChangeCell(std::int64_t bytes) {
    return (bytes > 0 ? QStringLiteral("+") : QString()) + KBCell(bytes);
}

QString ChangePercentCell(std::int64_t then, std::int64_t now) {
    const std::optional<double> percent = ChangePercent(then, now);
    if (!percent)
        return now == then ? FormatNumber(0.0, 2) + QStringLiteral(" %") : QString();
    return (*percent > 0 ? QStringLiteral("+") : QString()) + FormatNumber(*percent, 2) +
           QStringLiteral(" %");
}

QString NewFolderText() {
    return Tr("new");
}

QString GoneFolderText() {
    return Tr("gone");
}

std::vector<int> ShownColumnOrder(int columnCount) {
    std::vector<int> order;
    for (int c = 0; c < std::min(columnCount, SubfolderColumnCount); ++c) {
        order.push_back(c);
        if (c == ColSize)
            for (int compared = ColThen; compared < columnCount; ++compared)
                order.push_back(compared);
    }
    return order;
}

QString IncompleteRowText() {
    return Tr("Something in this folder could not be read: its figures are incomplete.");
}

void SetComparisonCells(TSubfolderRow& row, std::optional<std::int64_t> then, std::int64_t now) {
    row.ThenBytes = then;
    row.ChangeBytes = now - then.value_or(0);
    row.Cells[ColThen] = then ? KBCell(*then) : NewFolderText();
    row.Cells[ColChange] = ChangeCell(row.ChangeBytes);
    row.Cells[ColChangePercent] = then ? ChangePercentCell(*then, now) : NewFolderText();
}

TSubfolderRow MakeGoneRow(const TFolderNode& earlier) {
    TSubfolderRow row;
    row.Name = earlier.Name;
    row.Gone = true;
    row.Cells[ColName] = DisplayText(earlier.Name);
    const std::int64_t then = earlier.Data ? earlier.Data->TreeSize : 0;
    SetComparisonCells(row, then, 0);
    row.Cells[ColChangePercent] = GoneFolderText();
    return row;
}

TSubfolderRow MakeSubfolderRow(const TFolderNode& child, std::int64_t parentValue,
                               bool includeWasted, int whatIfIndex) {
    TSubfolderRow row;
    row.Name = child.Name;
    row.Cells[ColName] = DisplayText(child.Name);
    row.Incomplete =
        child.Has(NodeReadError) || child.Has(NodeIncompleteBelow) || child.Has(NodeNotAnswering);
    if (!child.Data)
        return row;
    const TFolderSize& r = *child.Data;
    const std::int64_t wasted = ShownTreeWasted(r, whatIfIndex);
    row.Cells[ColSize] = KBCell(r.TreeSize);
    row.Cells[ColAllocated] = KBCell(wasted + r.TreeSize);
    row.Cells[ColWasted] = KBCell(wasted);
    row.Cells[ColShare] = ShareCell(ListValue(r, includeWasted, whatIfIndex), parentValue);
    row.Cells[ColObjects] = FormatCount64(std::int64_t{r.TreeFileCount} + r.TreeFolderCount);
    row.AccessDos = FileTimeToDosTime(r.NewestAccessTime);
    row.ChangeDos = FileTimeToDosTime(r.NewestWriteTime);
    row.Cells[ColLastAccess] = DosDateTimeCell(row.AccessDos);
    row.Cells[ColLastChange] = DosDateTimeCell(row.ChangeDos);
    return row;
}

int CompareSubfolderRows(const TSubfolderRow& a, const TSubfolderRow& b, int sortCode) {
    const int column = std::abs(sortCode) - 1;
    int result = 0;
    if (column == ColName) {
        result = QString::localeAwareCompare(a.Cells[ColName], b.Cells[ColName]);
    } else if (column >= ColSize && column <= ColObjects) {
        // Numbers with thousands separators sort by value when the longer text
        // counts as the larger one. Texts of one length have their separators
        // in the same places and differ in digits only, where the locale's
        // order and the plain one agree; the plain one is many times faster.
        const QString& x = a.Cells[static_cast<std::size_t>(column)];
        const QString& y = b.Cells[static_cast<std::size_t>(column)];
        result = Sign(x.size() - y.size());
        if (result == 0)
            result = Sign(x.compare(y, Qt::CaseInsensitive));
    } else if (column == ColLastAccess) {
        // Unsigned: dates from 2044 on set the top bit.
        result = Sign(std::int64_t{a.AccessDos} - std::int64_t{b.AccessDos});
    } else if (column == ColLastChange) {
        result = Sign(std::int64_t{a.ChangeDos} - std::int64_t{b.ChangeDos});
    } else if (column == ColThen) {
        // A new folder had nothing: it sorts below every folder that was there.
        result = Sign(a.ThenBytes.value_or(-1) - b.ThenBytes.value_or(-1));
    } else if (column == ColChange) {
        result = Sign(a.ChangeBytes - b.ChangeBytes);
    } else if (column == ColChangePercent) {
        // New folders grew without limit, gone ones lost all; then by bytes.
        auto percent = [](const TSubfolderRow& r) {
            if (!r.ThenBytes)
                return std::numeric_limits<double>::infinity();
            const std::int64_t now = *r.ThenBytes + r.ChangeBytes;
            return ChangePercent(*r.ThenBytes, now)
                .value_or(now == 0 ? 0.0 : std::numeric_limits<double>::infinity());
        };
        const double x = percent(a);
        const double y = percent(b);
        result = x < y ? -1 : (x > y ? 1 : Sign(a.ChangeBytes - b.ChangeBytes));
    }
    return sortCode < 0 ? -result : result;
}

// ---- the model ------------------------------------------------------------------

TSubfolderListModel::TSubfolderListModel(QObject* parent)
    : QAbstractTableModel(parent), Captions(SubfolderColumnCaptions()) {
    MarkSortColumn(0);
}

void TSubfolderListModel::Clear() {
    beginResetModel();
    Rows.clear();
    Path.clear();
    endResetModel();
}

int TSubfolderListModel::Fill(const TFolderNode& node, const TSubfolderFilter& filter,
                              const TScanComparison* comparison) {
    // One reset for the whole fill: a view repaints once, not once per row.
    beginResetModel();
    Rows.clear();
    Path = NodePath(&node);
    if (comparison && !comparison->Covers(node))
        comparison = nullptr;
    Columns = comparison ? ComparisonColumnCount : SubfolderColumnCount;
    // A comparison column chosen earlier is no column of a plain list.
    if (std::abs(SortCode) > Columns)
        SortCode = 1;
    const std::int64_t threshold =
        ListThreshold(filter.DisplayType, filter.LargerThan, filter.LargerThanUnit);
    const std::int64_t parentValue =
        node.Data ? ListValue(*node.Data, filter.IncludeWasted, filter.WhatIfIndex) : 0;
    Rows.reserve(node.Children.size());
    const auto then =
        comparison ? comparison->ThenOfChildren(node) : std::vector<std::optional<TThenFigures>>();
    for (std::size_t i = 0; i < node.Children.size(); ++i) {
        const auto& child = node.Children[i];
        // A subfolder without a record (not scanned, another drive) has no
        // value to show or to weigh against the threshold.
        if (!child->Data)
            continue;
        if (ListValue(*child->Data, filter.IncludeWasted, filter.WhatIfIndex) < threshold)
            continue;
        Rows.push_back(
            MakeSubfolderRow(*child, parentValue, filter.IncludeWasted, filter.WhatIfIndex));
        if (comparison)
            SetComparisonCells(Rows.back(),
                               then[i] ? std::optional(then[i]->TreeSize) : std::nullopt,
                               child->Data->TreeSize);
    }
    if (comparison && filter.DisplayType == DisplayAll)
        for (const TFolderNode* gone : comparison->GoneBelow(node))
            Rows.push_back(MakeGoneRow(*gone));
    if (filter.DisplayType != DisplayAll)
        SortCode = filter.IncludeWasted ? -(ColAllocated + 1) : -(ColSize + 1);
    MarkSortColumn(std::abs(SortCode) - 1);
    SortRows();
    int top = 0;
    if (filter.DisplayType == DisplayTopLarge) {
        top = TopCountOf(filter.TopText);
        // A negative count keeps nothing rather than failing.
        const std::size_t keep = top < 0 ? 0 : static_cast<std::size_t>(top);
        if (Rows.size() > keep)
            Rows.resize(keep);
    }
    endResetModel();
    return top;
}

void TSubfolderListModel::SetSortColumn(int sortCode) {
    SortCode = sortCode != 0 && sortCode >= -Columns && sortCode <= Columns ? sortCode : 1;
}

void TSubfolderListModel::Sort(int sortCode) {
    SetSortColumn(sortCode);
    MarkSortColumn(std::abs(SortCode) - 1);
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Where each row goes, to carry the view's selection along.
    std::vector<int> order(Rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return CompareSubfolderRows(Rows[static_cast<std::size_t>(a)],
                                    Rows[static_cast<std::size_t>(b)], SortCode) < 0;
    });
    std::vector<TSubfolderRow> sorted;
    sorted.reserve(Rows.size());
    std::vector<int> newRow(Rows.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        newRow[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
        sorted.push_back(std::move(Rows[static_cast<std::size_t>(order[i])]));
    }
    Rows = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before)
        after.push_back(index(newRow[static_cast<std::size_t>(i.row())], i.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TSubfolderListModel::SortRows() {
    std::stable_sort(Rows.begin(), Rows.end(),
                     [this](const TSubfolderRow& a, const TSubfolderRow& b) {
                         return CompareSubfolderRows(a, b, SortCode) < 0;
                     });
}

void TSubfolderListModel::ColumnClick(int column) {
    if (column < 0 || column >= Columns)
        return;
    MarkSortColumn(column);
    Sort(SortCode == column + 1 ? -(column + 1) : column + 1);
}

void TSubfolderListModel::MarkSortColumn(int column) {
    const QString mark = QLatin1String(SortMark);
    for (QString& caption : Captions)
        if (caption.startsWith(QLatin1Char('-')))
            caption.remove(0, static_cast<qsizetype>(mark.size()));
    if (column >= 0 && column < Captions.size())
        Captions[column] = mark + Captions[column];
    emit headerDataChanged(Qt::Horizontal, 0, Columns - 1);
}

QString TSubfolderListModel::Caption(int column) const {
    return column >= 0 && column < Captions.size() ? Captions[column] : QString();
}

QString TSubfolderListModel::Text(int row, int column) const {
    if (row < 0 || row >= RowCount() || column < 0 || column >= Columns)
        return {};
    return Rows[static_cast<std::size_t>(row)].Cells[static_cast<std::size_t>(column)];
}

int TSubfolderListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount();
}

int TSubfolderListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

QVariant TSubfolderListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= RowCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return Text(index.row(), index.column());
    case Qt::ToolTipRole:
        if (Rows[static_cast<std::size_t>(index.row())].Gone && index.column() == ColName)
            return Tr("Gone since the earlier scan");
        if (Rows[static_cast<std::size_t>(index.row())].Incomplete && index.column() == ColName)
            return IncompleteRowText();
        return Text(index.row(), index.column());
    case Qt::ForegroundRole:
        // A folder gone is a memory, not a row to act on.
        if (Rows[static_cast<std::size_t>(index.row())].Gone)
            return QColor(Qt::gray);
        return {};
    case Qt::DecorationRole:
        return index.column() == ColName && !Icon.isNull() ? QVariant(Icon) : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignVCenter |
                                   (index.column() == ColName ? Qt::AlignLeft : Qt::AlignRight));
    default:
        return {};
    }
}

QVariant TSubfolderListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole)
        return Caption(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignVCenter |
                                   (section == ColName ? Qt::AlignLeft : Qt::AlignRight));
    return {};
}
