// The folder tree as a Qt item model: one column, one row per node, rows
// created from the engine's tree on demand (no item object per node). A
// folder's rows appear once, when its listing has ended (its figures may
// still be coming in); a folder still being listed shows none.
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
    QModelIndex IndexOf(const TFolderNode* node) const;
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
    QIcon IconOf(const TFolderNode* node, bool open) const;

    TFolderTree& Tree;
    TIconProvider IconProvider;
    // One icon per kind and state, asked of the provider once.
    mutable std::array<QIcon, 6> Icons;
    // Whether the matching begin call was made, for each pending end call.
    std::vector<bool> PendingNotifications;
};
