#include "snapshot/UnreadableFolders.h"

std::vector<TUnreadableFolder> UnreadableFolders(const TFolderNode* root) {
    std::vector<TUnreadableFolder> list;
    if (!root)
        return list;
    // Iterative: trees can be far deeper than the stack.
    std::vector<const TFolderNode*> pending{root};
    while (!pending.empty()) {
        const TFolderNode* n = pending.back();
        pending.pop_back();
        if (n->Has(NodeReadError))
            list.push_back({n, NodePath(n), n->Error, n->Data ? n->Data->TreeSize : 0});
        // Only a subtree known to hold one is worth walking.
        if (n != root && !n->Has(NodeIncompleteBelow))
            continue;
        for (auto it = n->Children.rbegin(); it != n->Children.rend(); ++it)
            pending.push_back(it->get());
    }
    return list;
}
