// Rows and bar figures of the tree bar chart.
#include "models/BarChartRows.h"

#include <algorithm>

std::vector<TFolderNode*> PreOrderNodes(TFolderNode* root) {
    std::vector<TFolderNode*> rows;
    if (!root)
        return rows;
    // An explicit stack: trees thousands of folders deep must not exhaust
    // the call stack. Children go on in reverse so the first comes off first.
    std::vector<TFolderNode*> pending{root};
    while (!pending.empty()) {
        TFolderNode* node = pending.back();
        pending.pop_back();
        rows.push_back(node);
        for (auto child = node->Children.rbegin(); child != node->Children.rend(); ++child)
            pending.push_back(child->get());
    }
    return rows;
}

std::int64_t BarChartTotal(const TFolderNode* root, bool includeWasted, int whatIfIndex) {
    return BarRowValue(root, true, includeWasted, whatIfIndex);
}

std::int64_t BarRowValue(const TFolderNode* node, bool includeSubfolders, bool includeWasted,
                         int whatIfIndex) {
    if (!node || !node->Data)
        return 0;
    const TFolderSize& r = *node->Data;
    if (includeSubfolders)
        return r.TreeSize + (includeWasted ? ShownTreeWasted(r, whatIfIndex) : 0);
    return r.OwnSize + (includeWasted ? ShownOwnWasted(r, whatIfIndex) : 0);
}

int BarLength(int graphWidth, std::int64_t value, std::int64_t total) {
    if (total <= 0 || value <= 0 || graphWidth <= 0)
        return 0;
    // A row can outgrow the whole while a rescan changes figures under an
    // open window; its bar stops at the graph column's edge.
    const double length =
        static_cast<double>(graphWidth) * static_cast<double>(value) / static_cast<double>(total);
    return static_cast<int>(std::min(length, static_cast<double>(graphWidth)));
}

int NodeLevel(const TFolderNode* node) {
    int level = 0;
    for (const TFolderNode* p = node ? node->Parent : nullptr; p; p = p->Parent)
        ++level;
    return level;
}
