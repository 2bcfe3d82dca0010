// The figures behind the tree bar chart: which folders become rows and in
// what order, the whole the bars are measured against, each row's value and
// the length of its bar. Plain functions over the engine's tree, so the
// window only draws what they give.
#pragma once

#include "engine/FolderNode.h"

#include <cstdint>
#include <vector>

// root and every folder below it, depth first: each folder before its
// children, the children in the tree's own order.
std::vector<TFolderNode*> PreOrderNodes(TFolderNode* root);

// The root's tree size, plus its wasted space at the shown cluster size when
// includeWasted; 0 for a folder without a record.
std::int64_t BarChartTotal(const TFolderNode* root, bool includeWasted, int whatIfIndex);

// The size a row stands for: the whole subtree with includeSubfolders, else
// the folder's own files; wasted space added as for the total. 0 for a folder
// without a record.
std::int64_t BarRowValue(const TFolderNode* node, bool includeSubfolders, bool includeWasted,
                         int whatIfIndex);

// graphWidth * value / total, truncated, within 0..graphWidth. Nothing is
// drawn for an empty (or negative) total.
int BarLength(int graphWidth, std::int64_t value, std::int64_t total);

// Depth in the whole tree: a top-level node is at level 0.
int NodeLevel(const TFolderNode* node);
