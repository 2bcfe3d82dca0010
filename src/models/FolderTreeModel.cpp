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
    if (!InView(node))
        return {};
    return createIndex(ViewRow(node), 0, const_cast<TFolderNode*>(node));
}

QModelIndex TFolderTreeModel::Reveal(const TFolderNode* node) {
    if (node && !InView(node)) {
        if (ViewDepth(node) > DepthLimit + 1)
            SetFold(node);
        else if (node == FoldAnchor || node->Parent == FoldAnchor)
            SetFold(nullptr);
    }
    return IndexOf(node);
}

bool TFolderTreeModel::Visible(const TFolderNode* node) const {
    // A folder publishes its children only after its parent published it,
    // and loses the flag only with its whole subtree: a published parent
    // has published ancestors, so one look at the parent is enough, however
    // deep the folder lies.
    return !node->Parent || node->Parent->Has(NodeChildrenPublished);
}

int TFolderTreeModel::ViewDepth(const TFolderNode* node) const {
    if (FoldNode && node == FoldNode)
        return DepthLimit;
    if (FoldNode && node->Parent == FoldNode)
        return DepthLimit + 1;
    int depth = 0;
    for (const TFolderNode* p = node->Parent; p && depth < DepthLimit + 2; p = p->Parent)
        ++depth;
    return depth;
}

bool TFolderTreeModel::InView(const TFolderNode* node) const {
    if (!node)
        return false;
    if (node == FoldNode)
        return Visible(FoldAnchor);
    if (FoldNode && node->Parent == FoldNode)
        return FoldNode->Has(NodeChildrenPublished);
    // The fold's place: the folder it replaces and that folder's subfolders.
    if (FoldAnchor && (node == FoldAnchor || node->Parent == FoldAnchor))
        return false;
    return Visible(node) && ViewDepth(node) <= DepthLimit + 1;
}

bool TFolderTreeModel::ShowsChildren(const TFolderNode* node) const {
    return InView(node) && ViewDepth(node) <= DepthLimit;
}

int TFolderTreeModel::ViewRow(const TFolderNode* node) const {
    return static_cast<int>(node == FoldNode ? FoldAnchor->Row : node->Row);
}

void TFolderTreeModel::SetFold(const TFolderNode* fold) {
    if (fold == FoldNode)
        return;
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<const TFolderNode*> nodes;
    nodes.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        nodes.push_back(NodeOf(index));
    FoldNode = fold;
    FoldAnchor = nullptr;
    if (fold) {
        std::size_t depth = 0;
        for (const TFolderNode* p = fold->Parent; p; p = p->Parent)
            ++depth;
        FoldAnchor = fold;
        for (; depth > static_cast<std::size_t>(DepthLimit); --depth)
            FoldAnchor = FoldAnchor->Parent;
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (const TFolderNode* node : nodes)
        after.push_back(IndexOf(node));
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void TFolderTreeModel::UnfoldIfWithin(const TFolderNode* node) {
    if (FoldNode && IsWithin(FoldNode, node))
        SetFold(nullptr);
}

QString TFolderTreeModel::FoldText() const {
    // The path from the replaced level down to the folder; a very long one
    // keeps its head and its last part, so the row stays short.
    constexpr std::size_t TailBytes = 160;
    std::vector<const TFolderNode*> tail;
    std::size_t bytes = 0;
    const TFolderNode* n = FoldNode;
    for (; n != FoldAnchor && bytes <= TailBytes; n = n->Parent) {
        tail.push_back(n);
        bytes += n->Name.size() + 1;
    }
    QString text = NodeText(FoldAnchor);
    if (n != FoldAnchor)
        text += QStringLiteral("/\u2026");
    for (auto it = tail.rbegin(); it != tail.rend(); ++it)
        text += QLatin1Char('/') + NodeText(*it);
    return text;
}

QModelIndex TFolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0 || row >= rowCount(parent))
        return {};
    const TFolderNode* p = NodeOf(parent);
    const auto& list = p ? p->Children : Tree.Roots();
    const TFolderNode* node = list[static_cast<std::size_t>(row)].get();
    if (node == FoldAnchor)
        node = FoldNode;
    return createIndex(row, 0, const_cast<TFolderNode*>(node));
}

QModelIndex TFolderTreeModel::parent(const QModelIndex& child) const {
    const TFolderNode* node = NodeOf(child);
    if (!node)
        return {};
    TFolderNode* p = node == FoldNode ? FoldAnchor->Parent : node->Parent;
    if (!p)
        return {};
    return createIndex(ViewRow(p), 0, p);
}

int TFolderTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0)
        return 0;
    const TFolderNode* p = NodeOf(parent);
    if (!p)
        return static_cast<int>(Tree.Roots().size());
    if (!p->Has(NodeChildrenPublished) || ViewDepth(p) > DepthLimit)
        return 0;
    return static_cast<int>(p->Children.size());
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
        return node == FoldNode ? FoldText() : NodeText(node);
    case Qt::DecorationRole: {
        const QIcon icon = IconOf(node, false);
        return icon.isNull() ? QVariant() : QVariant(icon);
    }
    case Qt::ToolTipRole:
        if (node == FoldNode)
            return tr("Folders more than %1 levels deep are shown as one row, named by their "
                      "path below this level.")
                .arg(DepthLimit);
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
    const bool visible = !parent || (parent->Has(NodeChildrenPublished) && ShowsChildren(parent));
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
    const bool visible = ShowsChildren(node);
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
    UnfoldIfWithin(node);
    const bool visible = InView(node);
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
    if (node != FoldNode)
        UnfoldIfWithin(node);
    const bool visible =
        ShowsChildren(node) && node->Has(NodeChildrenPublished) && !node->Children.empty();
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
