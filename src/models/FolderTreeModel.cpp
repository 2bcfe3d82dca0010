#include "models/FolderTreeModel.h"

#include "engine/Formatting.h"

#include <QFont>

TFolderTreeModel::TFolderTreeModel(TFolderTree& tree, QObject* parent)
    : QAbstractItemModel(parent), Tree(tree) {
    Tree.SetObserver(this);
}

TFolderTreeModel::~TFolderTreeModel() {
    if (Tree.GetObserver() == this)
        Tree.SetObserver(nullptr);
}

QString TFolderTreeModel::NodeText(const TFolderNode* node) {
    if (!node)
        return {};
    if (!node->Parent && node->Drive && !node->Drive->Text.empty())
        return DisplayText(node->Drive->Text);
    return DisplayText(node->Name);
}

TFolderNode* TFolderTreeModel::NodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TFolderNode*>(index.internalPointer()) : nullptr;
}

QModelIndex TFolderTreeModel::IndexOf(const TFolderNode* node) const {
    if (!node || !Visible(node))
        return {};
    return createIndex(static_cast<int>(node->Row), 0, const_cast<TFolderNode*>(node));
}

bool TFolderTreeModel::Visible(const TFolderNode* node) const {
    // A folder publishes its children only after its parent published it,
    // and loses the flag only with its whole subtree: a published parent
    // has published ancestors, so one look at the parent is enough, however
    // deep the folder lies.
    return !node->Parent || node->Parent->Has(NodeChildrenPublished);
}

QModelIndex TFolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0 || row >= rowCount(parent))
        return {};
    const TFolderNode* p = NodeOf(parent);
    const auto& list = p ? p->Children : Tree.Roots();
    return createIndex(row, 0, list[static_cast<std::size_t>(row)].get());
}

QModelIndex TFolderTreeModel::parent(const QModelIndex& child) const {
    const TFolderNode* node = NodeOf(child);
    if (!node || !node->Parent)
        return {};
    return createIndex(static_cast<int>(node->Parent->Row), 0, node->Parent);
}

int TFolderTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0)
        return 0;
    const TFolderNode* p = NodeOf(parent);
    if (!p)
        return static_cast<int>(Tree.Roots().size());
    return p->Has(NodeChildrenPublished) ? static_cast<int>(p->Children.size()) : 0;
}

int TFolderTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool TFolderTreeModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

TFolderTreeModel::TNodeKind TFolderTreeModel::KindOf(const TFolderNode* node) {
    if (!node->Parent && node->Drive)
        return TNodeKind::Drive;
    return node->Has(NodeOtherDrive) ? TNodeKind::OtherDrive : TNodeKind::Folder;
}

QIcon TFolderTreeModel::IconOf(const TFolderNode* node, bool open) const {
    if (!IconProvider)
        return {};
    const auto kind = KindOf(node);
    QIcon& icon = Icons[static_cast<std::size_t>(kind) * 2 + (open ? 1 : 0)];
    if (icon.isNull())
        icon = IconProvider(kind, open);
    return icon;
}

QVariant TFolderTreeModel::data(const QModelIndex& index, int role) const {
    const TFolderNode* node = NodeOf(index);
    if (!node)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return NodeText(node);
    case Qt::DecorationRole: {
        const QIcon icon = IconOf(node, false);
        return icon.isNull() ? QVariant() : QVariant(icon);
    }
    case Qt::ToolTipRole:
        if (node->Has(NodeNotAnswering))
            return tr("This folder did not answer; its drive may be gone.");
        if (node->Has(NodeReadError))
            return tr("This folder could not be read completely.");
        if (node->Has(NodeOtherDrive))
            return tr("Another drive is mounted here.");
        return {};
    case Qt::FontRole:
        if (!node->Data) {
            QFont font;
            font.setItalic(true);
            return font;
        }
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags TFolderTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void TFolderTreeModel::NodeAboutToBeAdded(TFolderNode* parent, std::uint32_t row) {
    const bool visible = !parent || (parent->Has(NodeChildrenPublished) && Visible(parent));
    if (visible)
        beginInsertRows(IndexOf(parent), static_cast<int>(row), static_cast<int>(row));
    PendingNotifications.push_back(visible);
}

void TFolderTreeModel::NodeAdded(TFolderNode*) {
    if (PendingNotifications.back())
        endInsertRows();
    PendingNotifications.pop_back();
}

void TFolderTreeModel::ChildrenAboutToBePublished(TFolderNode* node, std::uint32_t count) {
    const bool visible = Visible(node);
    if (visible)
        beginInsertRows(IndexOf(node), 0, static_cast<int>(count) - 1);
    PendingNotifications.push_back(visible);
}

void TFolderTreeModel::ChildrenPublished(TFolderNode*) {
    if (PendingNotifications.back())
        endInsertRows();
    PendingNotifications.pop_back();
}

void TFolderTreeModel::NodeAboutToBeRemoved(TFolderNode* node) {
    const bool visible = Visible(node);
    if (visible)
        beginRemoveRows(IndexOf(node->Parent), static_cast<int>(node->Row),
                        static_cast<int>(node->Row));
    PendingNotifications.push_back(visible);
}

void TFolderTreeModel::NodeRemoved(TFolderNode*, std::uint32_t) {
    if (PendingNotifications.back())
        endRemoveRows();
    PendingNotifications.pop_back();
}

void TFolderTreeModel::ChildrenAboutToBeRemoved(TFolderNode* node) {
    const bool visible =
        Visible(node) && node->Has(NodeChildrenPublished) && !node->Children.empty();
    if (visible)
        beginRemoveRows(IndexOf(node), 0, static_cast<int>(node->Children.size()) - 1);
    PendingNotifications.push_back(visible);
}

void TFolderTreeModel::ChildrenRemoved(TFolderNode*) {
    if (PendingNotifications.back())
        endRemoveRows();
    PendingNotifications.pop_back();
}

void TFolderTreeModel::FiguresChanged() {
    emit TreeFiguresChanged();
}
