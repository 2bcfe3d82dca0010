// How long comparing a tree with an earlier scan takes: two trees of about a
// million folders built in memory (ten subfolders a level, six levels), the
// newer one with a tenth of its leaves grown, some folders gone and some new.
// Times "What Grew" over the whole tree, the subfolder list's lookups of a
// folder with 100,000 subfolders, and the comparison's end (the earlier tree
// freed). Prints the median of five runs of each.
//
//   quillmere-compare-bench
#include "MedianTime.h"
#include "snapshot/Comparison.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

TFolderNode* Add(TFolderNode& parent, std::string name) {
    auto node = std::make_unique<TFolderNode>();
    node->Parent = &parent;
    node->Name = std::move(name);
    node->Data = std::make_unique<TFolderSize>();
    parent.Children.push_back(std::move(node));
    return parent.Children.back().get();
}

// Builds the tree below root; `grown` decides the later scan's differences.
void Build(TFolderNode& root, int levels, bool later, std::size_t& folders) {
    struct TStep {
        TFolderNode* Node;
        int Level;
    };
    std::vector<TStep> stack{{&root, 0}};
    std::uint32_t seed = 7;
    while (!stack.empty()) {
        const TStep step = stack.back();
        stack.pop_back();
        if (step.Level == levels) {
            seed = seed * 1103515245u + 12345u;
            step.Node->Data->TreeSize = 4096 + (later && (seed >> 8) % 10 == 0 ? 65536 : 0);
            continue;
        }
        for (int i = 0; i < 10; ++i) {
            // The later scan lost folder 9 of every tenth folder and gained a 10th.
            std::string name = "folder " + std::to_string(i);
            if (later && i == 9 && folders % 10 == 0)
                name = "new " + std::to_string(folders);
            stack.push_back({Add(*step.Node, std::move(name)), step.Level + 1});
            ++folders;
        }
    }
}

// Tree sizes from the leaves up, without recursion.
void SumUp(TFolderNode& root) {
    std::vector<TFolderNode*> order{&root};
    for (std::size_t i = 0; i < order.size(); ++i)
        for (auto& c : order[i]->Children)
            order.push_back(c.get());
    for (auto it = order.rbegin(); it != order.rend(); ++it)
        if ((*it)->Parent)
            (*it)->Parent->Data->TreeSize += (*it)->Data->TreeSize;
}

std::unique_ptr<TFolderNode> Tree(bool later, std::size_t& folders) {
    auto root = std::make_unique<TFolderNode>();
    root->Name = later ? "/now" : "/then";
    root->Data = std::make_unique<TFolderSize>();
    Build(*root, 6, later, folders);
    SumUp(*root);
    return root;
}

} // namespace

int main() {
    std::size_t folders = 0;
    auto now = Tree(true, folders);
    std::printf("folders per tree: %zu\n", folders);
    std::size_t ignored = 0;
    std::unique_ptr<TScanComparison> comparison;
    const double start = MedianMs([&] {
        comparison = std::make_unique<TScanComparison>(*now, Tree(false, ignored), TScanFileInfo{});
    });
    std::printf("building the earlier tree and the comparison: %.1f ms (not part of the "
                "comparison's cost: the loader builds the tree)\n",
                start);
    std::size_t rows = 0;
    const double grew = MedianMs([&] { rows = comparison->WhatGrew(1000).size(); });
    std::printf("What Grew over the whole tree (top 1000 of it): %.1f ms, %zu rows\n", grew, rows);

    // A folder of 100,000 subfolders, as the subfolder list looks them up.
    auto wideThen = std::make_unique<TFolderNode>();
    wideThen->Name = "/then-wide";
    wideThen->Data = std::make_unique<TFolderSize>();
    auto wideNow = std::make_unique<TFolderNode>();
    wideNow->Name = "/now-wide";
    wideNow->Data = std::make_unique<TFolderSize>();
    for (int i = 0; i < 100000; ++i) {
        Add(*wideThen, "f" + std::to_string(i));
        Add(*wideNow, "f" + std::to_string(i + 500));
    }
    TScanComparison wide(*wideNow, std::move(wideThen), {});
    std::size_t matched = 0;
    const double list = MedianMs([&] {
        matched = 0;
        for (const auto& then : wide.ThenOfChildren(*wideNow))
            matched += then ? 1 : 0;
        matched += wide.GoneBelow(*wideNow).size();
    });
    std::printf("one subfolder list of 100,000 folders (Then of each, gone ones): %.1f ms (%zu)\n",
                list, matched);
    QElapsedTimer timer;
    timer.start();
    comparison.reset();
    std::printf("ending the comparison (freeing the earlier tree): %.1f ms\n",
                double(timer.nsecsElapsed()) / 1e6);
    return 0;
}
