// A folder tree built in memory for the bar chart tests: folders with files
// of given sizes, their records summed by the engine's own arithmetic at a
// 4 KB cluster size, exactly as a scan would leave them.
#pragma once

#include "engine/FolderNode.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

class TBarChartTestTree {
public:
    static constexpr std::int32_t ClusterSize = 4096;

    TFolderTree Tree;

    TFolderNode* AddRoot(const std::string& path) { return Tree.AddRoot(path); }

    // A child folder holding files of the given sizes.
    TFolderNode* Add(TFolderNode* parent, const std::string& name,
                     std::initializer_list<std::int64_t> files = {}) {
        parent->Children.push_back(std::make_unique<TFolderNode>());
        TFolderNode* node = parent->Children.back().get();
        node->Parent = parent;
        node->Name = name;
        parent->RenumberChildren();
        Files.push_back({node, std::vector<std::int64_t>(files)});
        return node;
    }

    void AddFiles(TFolderNode* node, std::initializer_list<std::int64_t> files) {
        Files.push_back({node, std::vector<std::int64_t>(files)});
    }

    // Gives every folder below and including root its finished record.
    void Finish(TFolderNode* root) {
        for (TFolderNode* child : Children(root))
            Finish(child);
        auto record = std::make_unique<TFolderSize>();
        for (const TFileList& list : Files)
            if (list.Node == root)
                for (std::int64_t size : list.Sizes)
                    record->AddFile(ClusterSize, size, 0, 0, 0);
        for (TFolderNode* child : Children(root)) {
            record->AddSubfolder();
            record->AddFinishedChild(*child->Data);
        }
        record->Finish();
        root->Data = std::move(record);
        root->Set(NodeScanned);
        root->Set(NodeChildrenPublished);
    }

private:
    static std::vector<TFolderNode*> Children(TFolderNode* node) {
        std::vector<TFolderNode*> list;
        for (auto& child : node->Children)
            list.push_back(child.get());
        return list;
    }

    struct TFileList {
        TFolderNode* Node;
        std::vector<std::int64_t> Sizes;
    };
    std::vector<TFileList> Files;
};
