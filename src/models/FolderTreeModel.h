// The folder tree as a Qt item model: one column, one row per node, rows
// created from the engine's tree on demand (no item object per node). A
// folder's rows appear once, when its listing has ended (its figures may
// still be coming in); a folder still being listed shows none.
//
// Qt's tree view lays out and scrolls by recursion, one frame per level, so a
// chain of folders deeper than its stack holds would crash it. The model
// therefore shows at most DepthLimit + 2 levels: below DepthLimit one row
// (the fold) stands for a deeper folder, named by its path below the level
// it replaces, with that folder's subfolders under it. Every folder can be
// shown this way (Reveal); the folder the fold stands for follows the
// selection.
#pragma once

#include "engine/FolderNode.h"

#include <QAbstractItemModel>
#include <QIcon>

#include <array>
#include <functional>
#include <vector>

class TFolderTreeModel final : public QAbstractItemModel, public TTreeObserver {
    Q_OBJECT
public:
    // What a node's icon shows; every node of a kind has the same icon.
    enum class TNodeKind { Drive, OtherDrive, Folder };
    static TNodeKind KindOf(const TFolderNode* node);
    // Gives the icon of a kind of node (open = the icon for an expanded folder).
    using TIconProvider = std::function<QIcon(TNodeKind kind, bool open)>;

    explicit TFolderTreeModel(TFolderTree& tree, QObject* parent = nullptr);
    ~TFolderTreeModel() override;

    void SetIconProvider(TIconProvider provider) {
        IconProvider = std::move(provider);
        Icons = {};
    }

    TFolderNode* NodeOf(const QModelIndex& index) const;
    // The node's row, or none when the view does not show it now.
    QModelIndex IndexOf(const TFolderNode* node) const;
    // The node's row, moving the fold to it (or away from its place) first
    // when the view does not show it now; none while its parent is being read.
    QModelIndex Reveal(const TFolderNode* node);
    // The deeper folder the fold row stands for, if any.
    const TFolderNode* Fold() const { return FoldNode; }

    // Qt's view needs about 320 bytes of stack per level it lays out
    // (measured on Qt 6.4, x86-64, in the frames of QTreeViewPrivate::layout;
    // 8 MB held some 26,000 levels). 1,000 levels take about 320 KB.
    static constexpr int DepthLimit = 1000;
    // The text shown for a node: a drive's display text, else its name.
    static QString NodeText(const TFolderNode* node);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // Figures of scanned nodes changed (sent once per scan batch).
    void TreeFiguresChanged();

private:
    void NodeAboutToBeAdded(TFolderNode* parent, std::uint32_t row) override;
    void NodeAdded(TFolderNode* node) override;
    void ChildrenAboutToBePublished(TFolderNode* node, std::uint32_t count) override;
    void ChildrenPublished(TFolderNode* node) override;
    void NodeAboutToBeRemoved(TFolderNode* node) override;
    void NodeRemoved(TFolderNode* parent, std::uint32_t row) override;
    void ChildrenAboutToBeRemoved(TFolderNode* node) override;
    void ChildrenRemoved(TFolderNode* node) override;
    void FiguresChanged() override;

    // True when the view can see node: every ancestor has shown its children.
    // Constant time, so deep trees cost no more per folder than flat ones.
    bool Visible(const TFolderNode* node) const;
    // The node's level in the view, counting no further than DepthLimit + 2.
    int ViewDepth(const TFolderNode* node) const;
    // Whether the view has a row for node (its parent may still be collapsed).
    bool InView(const TFolderNode* node) const;
    // Whether the view shows node's children as rows.
    bool ShowsChildren(const TFolderNode* node) const;
    int ViewRow(const TFolderNode* node) const;
    // Makes fold (none: no fold) the folder below the limit that the view
    // shows, keeping the view's expanded rows and selection where they remain.
    void SetFold(const TFolderNode* fold);
    // Takes the fold away before node or its subtree leaves the tree.
    void UnfoldIfWithin(const TFolderNode* node);
    QString FoldText() const;
    QIcon IconOf(const TFolderNode* node, bool open) const;

    TFolderTree& Tree;
    TIconProvider IconProvider;
    // One icon per kind and state, asked of the provider once.
    mutable std::array<QIcon, 6> Icons;
    // Whether the matching begin call was made, for each pending end call.
    std::vector<bool> PendingNotifications;
    // The folder shown below the limit, and its ancestor at DepthLimit whose
    // row it takes.
    const TFolderNode* FoldNode = nullptr;
    const TFolderNode* FoldAnchor = nullptr;
};
