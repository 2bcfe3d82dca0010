// The folders of a scanned tree whose listing failed, for the command line's
// --errors and the window's list of them.
#pragma once

#include "engine/FolderNode.h"

#include <cstdint>
#include <string>
#include <vector>

struct TUnreadableFolder {
    const TFolderNode* Node = nullptr;
    std::string Path;
    int Error = 0;
    // What is known below it so far (its record's TreeSize, 0 without one).
    std::int64_t KnownSize = 0;
};

// In tree order (a folder before its subfolders, these in display order).
std::vector<TUnreadableFolder> UnreadableFolders(const TFolderNode* root);
