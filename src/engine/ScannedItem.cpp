#include "engine/ScannedItem.h"

#include <vector>

Platform::TScannedItem ScannedItemOf(const TFolderNode* folder, const std::string& fileName) {
    if (!folder)
        return {};
    const TFolderNode* root = folder;
    std::vector<const TFolderNode*> chain;
    while (root->Parent) {
        chain.push_back(root);
        root = root->Parent;
    }
    if (chain.empty() && fileName.empty()) {
        // A folder scanned by itself: checked through its own folder.
        Platform::TScannedItem item = Platform::ItemAtPath(root->Name);
        item.Inode = root->Inode;
        item.TopDevice = 0;
        return item;
    }
    Platform::TScannedItem item;
    item.Top = root->Name;
    item.TopInode = root->Inode;
    item.TopDevice = root->Drive ? root->Drive->Device : 0;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!item.Below.empty())
            item.Below += '/';
        item.Below += (*it)->Name;
    }
    if (fileName.empty()) {
        item.Inode = folder->Inode;
        item.FolderInode = folder->Parent->Inode;
    } else {
        if (!item.Below.empty())
            item.Below += '/';
        item.Below += fileName;
        item.FolderInode = folder->Inode;
    }
    return item;
}
