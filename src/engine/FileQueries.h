// Questions about the kept files of a folder's whole tree: the largest
// files, the figures per extension. The lists are taken on the tree's
// thread (GatherFiles, quick: one step per folder); the questions may then
// be answered on any thread, since the lists taken stay alive and unchanged
// whatever happens to the tree meanwhile.
#pragma once

#include "engine/FileTable.h"
#include "engine/FolderNode.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// One folder's files, with the folder they were taken from. The node is for
// the tree's thread, and only while the tree has not changed since.
struct TFolderFiles {
    const TFolderNode* Folder = nullptr;
    TFileListRef Files;
};

// The lists of folder and of every scanned folder below it, folder first.
std::vector<TFolderFiles> GatherFiles(const TFolderNode* folder);
// Whether the scan that read node's tree kept its files.
bool FilesKeptFor(const TFolderNode* node);

// A file among the gathered lists.
struct TFileAt {
    std::uint32_t Folder = 0; // index into the gathered lists
    std::uint32_t Index = 0;  // index into that folder's files
};

using TFileFilter = std::function<bool(const TFileList& files, std::uint32_t index)>;

// The n largest files by size (ties: larger allocation first, then the
// order met), largest first; with accept, only the files it accepts.
std::vector<TFileAt> LargestFiles(const std::vector<TFolderFiles>& lists, std::size_t n,
                                  const TFileFilter& accept = {});

struct TFileTypeFigures {
    TExtensionId Extension = 0; // 0: files without an extension
    std::uint64_t Files = 0;
    std::int64_t Size = 0;
    std::int64_t Allocated = 0;
    std::int64_t Wasted = 0; // at the cluster size given
};

// One row per extension met, largest size first.
std::vector<TFileTypeFigures> FileTypeFigures(const std::vector<TFolderFiles>& lists,
                                              std::int32_t clusterSize);
