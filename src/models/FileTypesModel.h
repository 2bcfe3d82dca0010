// The kept files of a folder's whole tree, counted per extension and grouped
// by kind: the kinds are the top rows, with their totals, and the extensions
// of each kind are the rows below it. The lists are taken on the tree's
// thread; the counting runs on a worker, and its result comes back through
// the event queue. A newer folder (or cluster size) supersedes a count still
// running: only the newest result is ever shown.
#pragma once

#include "engine/FileQueries.h"
#include "models/FileCategories.h"
#include "platform/BackgroundJob.h"

#include <QAbstractItemModel>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct TFileTypeRow {
    TFileTypeFigures Figures;
    TFileCategory Category = TFileCategory::Other;
};

struct TFileCategoryRow {
    TFileCategory Category = TFileCategory::Other;
    TFileTypeFigures Totals; // Extension unused
    std::vector<TFileTypeRow> Types;
};

// The figures per extension grouped by kind, largest kind first and the
// largest extension first within each; any thread.
std::vector<TFileCategoryRow> GroupFileTypes(const std::vector<TFolderFiles>& lists,
                                             std::int32_t clusterSize);

class TFileTypesModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum TColumn {
        ColExtension,
        ColCategory,
        ColFiles,
        ColSize,
        ColAllocated,
        ColWasted,
        ColPercent,
        ColumnCount
    };
    enum class TState {
        Empty,    // no folder, or one without figures
        NotKept,  // the scan kept folder sums only
        Counting, // a count runs; the rows are the previous folder's, or none
        Ready,
    };
    // The raw figure of a cell (bytes, counts, percent), for sorting and files.
    static constexpr int ValueRole = Qt::UserRole;

    explicit TFileTypesModel(QObject* parent = nullptr);
    ~TFileTypesModel() override;

    // Counts the files of folder's tree (on the tree's thread: the lists are
    // gathered here, the rest runs on a worker), wasted space at clusterSize.
    // A folder without figures, or none, empties the model.
    void ShowFolder(const TFolderNode* folder, std::int32_t clusterSize);
    void Clear();

    TState State() const { return Current; }
    // What the window says above the rows: why there are none, or that
    // counting is under way; empty when the rows say it all.
    QString StateText() const;
    const std::vector<TFileCategoryRow>& Categories() const { return Rows; }
    // The folder's own total, which the percent column divides by.
    std::int64_t FolderSize() const { return FolderTotal; }
    // The extension of an extension's row; none for a kind's row.
    std::optional<TExtensionId> ExtensionAt(const QModelIndex& index) const;
    static QString ExtensionText(TExtensionId extension);
    static QString PercentText(double percent);
    double PercentOf(std::int64_t size) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

signals:
    // A count ended and its rows are shown (or the state changed otherwise).
    void Changed();

private:
    struct TDelivery;
    void Take(std::uint64_t request, std::vector<TFileCategoryRow> rows, std::int64_t folderTotal);
    void SetState(TState state);
    void Arrange();

    TState Current = TState::Empty;
    std::vector<TFileCategoryRow> Rows;
    std::int64_t FolderTotal = 0;
    int SortColumn = ColSize;
    Qt::SortOrder SortOrder = Qt::DescendingOrder;
    std::uint64_t Request = 0;
    std::shared_ptr<TDelivery> Delivery;
    std::shared_ptr<TBackgroundJob> Job;
};
