#include "engine/FolderNode.h"

#include <algorithm>

TFolderNode::~TFolderNode() {
    std::vector<std::unique_ptr<TFolderNode>> pending = std::move(Children);
    while (!pending.empty()) {
        std::unique_ptr<TFolderNode> node = std::move(pending.back());
        pending.pop_back();
        // Children already handed on by an owner's own teardown are empty.
        if (!node)
            continue;
        for (auto& child : node->Children)
            pending.push_back(std::move(child));
        node->Children.clear();
        // node now goes without children, so its destructor does not descend.
    }
}

void TFolderNode::RenumberChildren() {
    for (std::uint32_t i = 0; i < Children.size(); ++i)
        Children[i]->Row = i;
}

TFolderTree::~TFolderTree() {
    // Deep trees are torn down iteratively: a recursive destructor chain
    // could overflow the stack on a path thousands of folders deep.
    std::vector<std::unique_ptr<TFolderNode>> pending;
    for (auto& root : RootNodes)
        pending.push_back(std::move(root));
    while (!pending.empty()) {
        std::unique_ptr<TFolderNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->Children)
            pending.push_back(std::move(child));
    }
}

TFolderNode* TFolderTree::AddRoot(const std::string& name) {
    auto node = std::make_unique<TFolderNode>();
    node->Name = name;
    node->Row = static_cast<std::uint32_t>(RootNodes.size());
    if (Observer)
        Observer->NodeAboutToBeAdded(nullptr, node->Row);
    TFolderNode* raw = node.get();
    RootNodes.push_back(std::move(node));
    if (Observer)
        Observer->NodeAdded(raw);
    return raw;
}

TFolderNode* TFolderTree::AdoptRoot(std::unique_ptr<TFolderNode> node, TDriveRecInfo* drive) {
    node->Parent = nullptr;
    // Everything in it is final, so all of it may be shown at once.
    std::vector<TFolderNode*> pending{node.get()};
    while (!pending.empty()) {
        TFolderNode* n = pending.back();
        pending.pop_back();
        n->Set(NodeChildrenPublished);
        n->RenumberChildren();
        for (auto& child : n->Children) {
            child->Parent = n;
            pending.push_back(child.get());
        }
    }
    node->Row = static_cast<std::uint32_t>(RootNodes.size());
    node->Drive = drive;
    if (drive)
        drive->RootNode = node.get();
    if (Observer)
        Observer->NodeAboutToBeAdded(nullptr, node->Row);
    TFolderNode* raw = node.get();
    RootNodes.push_back(std::move(node));
    if (Observer) {
        Observer->NodeAdded(raw);
        Observer->FiguresChanged();
    }
    return raw;
}

TFolderNode* TFolderTree::AddOnlyChild(TFolderNode* parent, const std::string& name) {
    auto node = std::make_unique<TFolderNode>();
    node->Parent = parent;
    node->Name = name;
    TFolderNode* raw = node.get();
    parent->Children.push_back(std::move(node));
    PublishChildren(parent);
    return raw;
}

namespace {

void DestroySubtree(std::vector<std::unique_ptr<TFolderNode>>& nodes) {
    std::vector<std::unique_ptr<TFolderNode>> pending;
    for (auto& n : nodes)
        pending.push_back(std::move(n));
    nodes.clear();
    while (!pending.empty()) {
        std::unique_ptr<TFolderNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->Children)
            pending.push_back(std::move(child));
    }
}

} // namespace

void DestroyDetachedTree(std::unique_ptr<TFolderNode> node) {
    if (!node)
        return;
    std::vector<std::unique_ptr<TFolderNode>> nodes;
    nodes.push_back(std::move(node));
    DestroySubtree(nodes);
}

void TFolderTree::DeleteNode(TFolderNode* node) {
    if (!node)
        return;
    FreeNodeRecords(node, true);
    auto& siblings = node->Parent ? node->Parent->Children : RootNodes;
    const std::uint32_t row = node->Row;
    TFolderNode* parent = node->Parent;
    if (Observer)
        Observer->NodeAboutToBeRemoved(node);
    std::vector<std::unique_ptr<TFolderNode>> doomed;
    doomed.push_back(std::move(siblings[row]));
    siblings.erase(siblings.begin() + row);
    for (std::uint32_t i = row; i < siblings.size(); ++i)
        siblings[i]->Row = i;
    DestroySubtree(doomed);
    if (Observer)
        Observer->NodeRemoved(parent, row);
}

void TFolderTree::DeleteChildren(TFolderNode* node) {
    if (!node || node->Children.empty()) {
        if (node)
            node->Set(NodeChildrenPublished, false);
        return;
    }
    FreeNodeRecords(node, false);
    const bool visible = node->Has(NodeChildrenPublished);
    if (Observer && visible)
        Observer->ChildrenAboutToBeRemoved(node);
    DestroySubtree(node->Children);
    node->Set(NodeChildrenPublished, false);
    if (Observer && visible)
        Observer->ChildrenRemoved(node);
}

void TFolderTree::PublishChildren(TFolderNode* node) {
    if (node->Has(NodeChildrenPublished))
        return;
    const auto count = static_cast<std::uint32_t>(node->Children.size());
    if (Observer && count)
        Observer->ChildrenAboutToBePublished(node, count);
    node->Set(NodeChildrenPublished);
    if (Observer && count)
        Observer->ChildrenPublished(node);
}

void TFolderTree::NotifyFiguresChanged() {
    if (Observer)
        Observer->FiguresChanged();
}

TDriveRecInfo* TFolderTree::CreateDriveRec(const std::string& rootPath) {
    DriveRecs.push_back(std::make_unique<TDriveRecInfo>());
    DriveRecs.back()->RootPath = rootPath;
    return DriveRecs.back().get();
}

TDriveRecInfo* TFolderTree::FindDriveRec(const std::string& rootPath) const {
    for (const auto& rec : DriveRecs)
        if (rec->RootPath == rootPath)
            return rec.get();
    return nullptr;
}

void TFolderTree::RemoveDriveRec(TDriveRecInfo* rec) {
    auto it = std::find_if(DriveRecs.begin(), DriveRecs.end(),
                           [rec](const auto& r) { return r.get() == rec; });
    if (it != DriveRecs.end())
        DriveRecs.erase(it);
}

bool IsWithin(const TFolderNode* node, const TFolderNode* folder) {
    for (; node; node = node->Parent)
        if (node == folder)
            return true;
    return false;
}

bool IsOpenedScan(const TFolderNode* node) {
    while (node && node->Parent)
        node = node->Parent;
    return node && node->Drive && !node->Drive->ScanFile.empty();
}

std::string NodePath(const TFolderNode* node) {
    return NodePathTail(node, std::string::npos);
}

std::string NodePathTail(const TFolderNode* node, std::size_t maxBytes) {
    if (!node)
        return {};
    // Walks up only as far as the tail needs: the cost does not grow with
    // the depth of the folder.
    std::vector<const TFolderNode*> chain;
    std::size_t length = 0;
    const TFolderNode* n = node;
    for (; n; n = n->Parent) {
        if (!chain.empty() && length + n->Name.size() + 1 > maxBytes)
            break;
        chain.push_back(n);
        length += n->Name.size() + 1;
    }
    std::string path = n ? std::string(".../") : std::string();
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!path.empty() && path.back() != '/')
            path += '/';
        path += (*it)->Name;
    }
    return path;
}

TFolderNode* RootNode(TFolderNode* node) {
    while (node && node->Parent)
        node = node->Parent;
    return node;
}

namespace {

bool SameNameIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x -= 32;
        if (y >= 'a' && y <= 'z')
            y -= 32;
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

TFolderNode* FindChildNode(TFolderNode* node, const std::string& name, bool caseSensitive) {
    if (!node)
        return nullptr;
    for (auto& child : node->Children) {
        if (caseSensitive ? child->Name == name : SameNameIgnoringAsciiCase(child->Name, name))
            return child.get();
    }
    return nullptr;
}

TFolderNode* FindNodeByPath(TFolderNode* node, const std::string& relativePath,
                            bool caseSensitive) {
    std::size_t pos = 0;
    while (node && pos < relativePath.size()) {
        std::size_t next = relativePath.find('/', pos);
        if (next == std::string::npos)
            next = relativePath.size();
        if (next > pos)
            node = FindChildNode(node, relativePath.substr(pos, next - pos), caseSensitive);
        pos = next + 1;
    }
    return node;
}

void FreeNodeRecords(TFolderNode* node, bool includeSelf) {
    if (!node)
        return;
    if (includeSelf) {
        node->Data.reset();
        node->Files.reset();
        node->Set(NodeScanned, false);
    }
    // Iterative: trees can be far deeper than the stack.
    std::vector<TFolderNode*> pending;
    for (auto& child : node->Children)
        pending.push_back(child.get());
    while (!pending.empty()) {
        TFolderNode* n = pending.back();
        pending.pop_back();
        n->Data.reset();
        n->Files.reset();
        n->Set(NodeScanned, false);
        for (auto& child : n->Children)
            pending.push_back(child.get());
    }
}

void RemoveKeptFile(TFolderNode* folder, std::string_view name) {
    if (!folder || !folder->Files)
        return;
    const std::uint32_t index = folder->Files->Find(name);
    if (index < folder->Files.Count())
        folder->Files = folder->Files->Without(index);
}

void SubtractFromAncestors(TFolderNode* parent, const TFolderNode* removedFolder,
                           std::uint32_t folders, std::uint32_t files, std::int64_t wasted,
                           std::int64_t size) {
    if (!parent)
        return;
    std::int64_t alt[8] = {};
    for (int i = 1; i <= AltClusterCount; ++i) {
        if (removedFolder)
            alt[i] = removedFolder->Data ? removedFolder->Data->TreeWastedAlt[i] : 0;
        else
            alt[i] = ClusterSlack(AltClusterSizes[i], size);
    }
    if (TFolderSize* r = parent->Data.get()) {
        if (removedFolder) {
            r->OwnFolderCount -= 1;
        } else {
            r->OwnFileCount -= 1;
            r->OwnSize -= size;
            r->OwnWasted -= wasted;
            for (int i = 1; i <= AltClusterCount; ++i)
                r->OwnWastedAlt[i] -= alt[i];
        }
    }
    for (TFolderNode* p = parent; p && p->Data; p = p->Parent) {
        TFolderSize& r = *p->Data;
        r.TreeSize -= size;
        r.TreeWasted -= wasted;
        r.TreeFolderCount -= folders;
        r.TreeFileCount -= files;
        for (int i = 1; i <= AltClusterCount; ++i)
            r.TreeWastedAlt[i] -= alt[i];
        RecomputeNewest(p);
    }
}

void RecomputeNewest(TFolderNode* node) {
    if (!node || !node->Data)
        return;
    TFolderSize& r = *node->Data;
    r.NewestAccessTime = 0;
    r.NewestWriteTime = 0;
    r.AttributesOr = 0;
    for (const auto& child : node->Children) {
        if (!child->Data)
            continue;
        const TFolderSize& c = *child->Data;
        if (c.NewestAccessTime > r.NewestAccessTime)
            r.NewestAccessTime = c.NewestAccessTime;
        if (c.NewestWriteTime > r.NewestWriteTime)
            r.NewestWriteTime = c.NewestWriteTime;
        r.AttributesOr |= c.AttributesOr;
    }
}

void AddToAncestors(TFolderNode* node, const TFolderSize& figures, int sign) {
    for (TFolderNode* p = node->Parent; p && p->Data; p = p->Parent) {
        TFolderSize& r = *p->Data;
        r.TreeSize += sign * figures.TreeSize;
        r.TreeWasted += sign * figures.TreeWasted;
        r.TreeFileCount += static_cast<std::uint32_t>(sign) * figures.TreeFileCount;
        r.TreeFolderCount += static_cast<std::uint32_t>(sign) * figures.TreeFolderCount;
        for (int i = 1; i <= AltClusterCount; ++i)
            r.TreeWastedAlt[i] += sign * figures.TreeWastedAlt[i];
        RecomputeNewest(p);
    }
}

void RefreshIncomplete(TFolderNode* node) {
    for (TFolderNode* p = node; p; p = p->Parent) {
        bool incomplete = false;
        for (const auto& c : p->Children) {
            if (c->Has(NodeReadError) || c->Has(NodeIncompleteBelow) ||
                (!c->Data && !c->Has(NodeOtherDrive))) {
                incomplete = true;
                break;
            }
        }
        p->Set(NodeIncompleteBelow, incomplete);
    }
}

void RemoveFolderNode(TFolderTree& tree, TFolderNode* node) {
    if (!node || !node->Parent)
        return;
    const TFolderSize* r = node->Data.get();
    // A folder that was never scanned still counts as one folder below its
    // parent, but carries nothing else.
    SubtractFromAncestors(node->Parent, node, r ? r->TreeFolderCount + 1 : 1,
                          r ? r->TreeFileCount : 0, r ? r->TreeWasted : 0, r ? r->TreeSize : 0);
    TFolderNode* parent = node->Parent;
    tree.DeleteNode(node);
    RefreshIncomplete(parent);
    tree.NotifyFiguresChanged();
}
