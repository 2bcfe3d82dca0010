// The largest files of a folder's whole tree as a table: name, folder, size,
// allocated and wasted space, modification time.
//
// Contract: everything but the search runs on the thread that owns the tree.
// A request gathers the folder's file lists there (one step per folder) and
// hands them to a worker thread, which picks the largest files; the rows come
// back queued and replace the shown ones only when no newer request was made
// meanwhile. The rows hold their lists by counted reference, so their texts
// stay right whatever happens to the tree; their folder nodes are dropped
// (ForgetNodes) before the tree changes, and a new request brings them back.
#pragma once

#include "engine/FileQueries.h"
#include "engine/FolderNode.h"

#include <QAbstractTableModel>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QThreadPool;

// One file of the table. The list reference keeps the entry alive.
struct TLargestFileRow {
    TFileListRef Files;
    std::uint32_t Index = 0;
    std::uint32_t Rank = 0;              // place in the search's order, largest first
    const TFolderNode* Folder = nullptr; // none once the tree may have changed
    std::string FolderPath;              // raw bytes
    QString Name;                        // as shown
    QString FolderText;                  // as shown

    const TFileEntry& Entry() const { return Files->Entry(Index); }
    std::string Path() const;
};

// Whether a raw name matches a pattern of the filter box: `*` any bytes, `?`
// one, ASCII letters in either case; the pattern may match anywhere in the
// name, as the search for folders does. Several patterns are separated by
// ";". An empty pattern matches every name.
bool NameMatchesFilter(std::string_view name, std::string_view pattern);

class TLargestFilesModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn { ColName, ColFolder, ColSize, ColAllocated, ColWasted, ColModified, ColCount };
    static constexpr int DefaultCount = 100;
    static constexpr int MaxCount = 10000;

    explicit TLargestFilesModel(QObject* parent = nullptr);
    // Waits for a search still running (it only reads the lists it holds).
    ~TLargestFilesModel() override;

    // The folder whose tree is listed (none: nothing) and the cluster size
    // the wasted space is worked out at. Starts a search.
    void SetFolder(const TFolderNode* folder, std::int32_t clusterSize);
    // The same folder again: its tree or figures changed.
    void Recompute();
    // The tree is about to change: the folder and the rows' nodes go; the
    // rows keep their texts until the next SetFolder.
    void ForgetNodes();
    // How many files are listed, 1 to MaxCount.
    void SetCount(int count);
    int Count() const { return Wanted; }
    // The name filter, as typed; bytes of the names are compared with its
    // UTF-8 bytes.
    void SetNameFilter(const QString& pattern);
    // Only files of this extension (0: files without one); ClearExtension
    // lists every file again.
    void ShowExtension(TExtensionId extension);
    void ClearExtension();
    std::optional<TExtensionId> Extension() const { return OnlyExtension; }

    // The listed folder kept its files when scanned; when not, there is
    // nothing to list and StateText says so.
    bool FilesKept() const { return Kept; }
    // A search runs whose rows have not arrived yet.
    bool Searching() const { return Pending != Shown; }
    // What the window says above the table: why it is empty, or nothing.
    QString StateText() const;

    const TLargestFileRow& Row(int row) const { return Rows[static_cast<std::size_t>(row)]; }
    // The cell texts of a row, in column order, as shown; with bytes, the
    // three sizes as exact byte counts (for files other programs read).
    QStringList Cells(int row, bool bytes = false) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

signals:
    // New rows are shown (or the state text changed).
    void Updated();

private:
    void Start();
    void Arrived(std::uint64_t request, std::vector<TFolderFiles> lists,
                 std::vector<TFileAt> found);
    void SortRows();

    const TFolderNode* Folder = nullptr;
    std::int32_t ClusterSize = 0;
    int Wanted = DefaultCount;
    std::string Pattern; // UTF-8
    std::optional<TExtensionId> OnlyExtension;
    bool Kept = true;
    std::vector<TLargestFileRow> Rows;
    int SortColumn = ColSize;
    Qt::SortOrder SortOrder = Qt::DescendingOrder;

    // Requests are numbered; only the latest one's rows are shown, and a
    // worker skips a request already overtaken.
    std::uint64_t Pending = 0;
    std::uint64_t Shown = 0;
    std::shared_ptr<std::atomic<std::uint64_t>> Latest;
    std::unique_ptr<QThreadPool> Pool;
};
