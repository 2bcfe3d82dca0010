// The subfolder list: one row per direct subfolder of a folder, with the cell
// texts that the "Subfolders" page and the folder contents report show, the
// three display types that filter it, its sort rules and the sort mark in
// the column captions. The model owns its rows as texts, so a view repaints
// without touching the folder tree.
#pragma once

#include "engine/FolderNode.h"
#include "snapshot/Comparison.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

inline constexpr int SubfolderColumnCount = 8;
// While a comparison with an earlier scan is active, three more columns.
inline constexpr int ComparisonColumnCount = 11;

enum TSubfolderColumn {
    ColName = 0,
    ColSize = 1,
    ColAllocated = 2,
    ColWasted = 3,
    ColShare = 4,
    ColObjects = 5,
    ColLastAccess = 6,
    ColLastChange = 7,
    ColThen = 8,
    ColChange = 9,
    ColChangePercent = 10,
};

enum TFoldersDisplayType {
    DisplayTopLarge = 0,
    DisplayLargerThan = 1,
    DisplayAll = 2,
};

// The prefix of the sort column's caption.
inline constexpr const char* SortMark = "-> ";

// The captions without a sort mark (the comparison's three last), and the
// display types' names.
QStringList SubfolderColumnCaptions();
QStringList FoldersDisplayTypeNames();
// The unit names of the threshold: "bytes", "KB", "MB".
QStringList LargerThanUnitNames();

// The columns of a list of `columnCount` in the order the page shows them
// and the reports write them: a comparison's three stand right after the
// size, where the eye compares them.
std::vector<int> ShownColumnOrder(int columnCount);

// The smallest value a row needs: 0 unless the type is "Folders Larger Than",
// then position times 1, 1024 or 1048576 by unit.
std::int64_t ListThreshold(int displayType, int position, int unit);
// The number typed into the "Top" box; 10 when it is not a whole number.
int TopCountOf(const QString& text);
// What a folder weighs in the list: tree size, plus the wasted space being
// shown when wasted space is included.
std::int64_t ListValue(const TFolderSize& record, bool includeWasted, int whatIfIndex);

// bytes / 1024, rounded to the nearest whole number, halves to even.
std::int64_t RoundedKB(std::int64_t bytes);
// "1,234 KB".
QString KBCell(std::int64_t bytes);
// value * 100 / parentValue with two decimals and " %"; "0.00 %" for an empty parent.
QString ShareCell(std::int64_t value, std::int64_t parentValue);
// A packed local DOS date and time as the system's short date and long time;
// empty for 0 or a value that is no date.
QString DosDateTimeCell(std::uint32_t packed);
// A change of size: "+1,234 KB", "-56 KB", "0 KB".
QString ChangeCell(std::int64_t bytes);
// A change in percent of what was there: "+12.50 %"; empty when nothing was.
QString ChangePercentCell(std::int64_t then, std::int64_t now);
// "new" and "gone", as the comparison columns mark such folders.
QString NewFolderText();
QString GoneFolderText();
// What a row marked incomplete means.
QString IncompleteRowText();

struct TSubfolderRow {
    // The subfolder's raw name, to find its node again.
    std::string Name;
    std::array<QString, ComparisonColumnCount> Cells;
    std::uint32_t AccessDos = 0;
    std::uint32_t ChangeDos = 0;
    // With a comparison: the tree size then (none for a new folder), the
    // change, and whether the folder is gone (a row of the earlier scan only).
    std::optional<std::int64_t> ThenBytes;
    std::int64_t ChangeBytes = 0;
    bool Gone = false;
    // Something in the folder could not be read: its figures are too low.
    bool Incomplete = false;
};

TSubfolderRow MakeSubfolderRow(const TFolderNode& child, std::int64_t parentValue,
                               bool includeWasted, int whatIfIndex);
// Fills the comparison cells of a row: `then` is none for a new folder.
void SetComparisonCells(TSubfolderRow& row, std::optional<std::int64_t> then, std::int64_t now);
// The row of a folder of the earlier scan that is gone now.
TSubfolderRow MakeGoneRow(const TFolderNode& earlier);
// Negative, zero or positive as a sorts before, with or after b under the
// sort code (column + 1, negative for descending).
int CompareSubfolderRows(const TSubfolderRow& a, const TSubfolderRow& b, int sortCode);

// The filter of one fill, as the page's controls hold it.
struct TSubfolderFilter {
    int DisplayType = DisplayAll;
    QString TopText = QStringLiteral("10");
    int LargerThan = 1;
    int LargerThanUnit = 1;
    bool IncludeWasted = true;
    int WhatIfIndex = 0; // the cluster size whose wasted space is shown
};

class TSubfolderListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TSubfolderListModel(QObject* parent = nullptr);

    // Lists node's subfolders under the filter: rows at least the threshold,
    // the sort column forced to largest first for the two filtered types,
    // sorted, and cut to the top count. Returns the top count that was
    // applied (the page shows it in its box); 0 for the other types. With a
    // comparison that covers node, the rows carry its columns, and "All
    // Folders" lists the folders gone since as well (the other types weigh
    // what is there now, and a folder gone has nothing).
    int Fill(const TFolderNode& node, const TSubfolderFilter& filter,
             const TScanComparison* comparison = nullptr);
    void Clear();

    // The sort code: column + 1, negative for descending.
    int SortColumn() const { return SortCode; }
    // Sets the code (a code outside the list's columns gives 1) without sorting.
    void SetSortColumn(int sortCode);
    // Sorts the rows by the code and marks its column.
    void Sort(int sortCode);
    // A click on a column's header: the same column again turns the order
    // round, another column sorts ascending.
    void ColumnClick(int column);
    // Moves the "-> " mark to the column.
    void MarkSortColumn(int column);

    // What the list shows, for views and reports.
    QString Caption(int column) const;
    QString Text(int row, int column) const;
    const TSubfolderRow& Row(int row) const { return Rows[static_cast<std::size_t>(row)]; }
    int RowCount() const { return static_cast<int>(Rows.size()); }
    // 8, or 11 while the list shows a comparison.
    int ColumnCount() const { return Columns; }
    // The path of the folder listed, empty when the list is clear.
    const std::string& FolderPath() const { return Path; }

    void SetFolderIcon(const QIcon& icon) { Icon = icon; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void SortRows();

    std::vector<TSubfolderRow> Rows;
    QStringList Captions;
    std::string Path;
    int SortCode = 1;
    int Columns = SubfolderColumnCount;
    QIcon Icon;
};
