// The folders of a tree whose listing failed: what the "Unreadable Folders"
// window lists and a scan's error list prints, so that no total is trusted
// without knowing what it is missing.
#pragma once

#include "engine/FolderNode.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The error of a folder that a scan file marks as unreadable without saying
// why (ncdu's and gdu's files never do).
inline constexpr int ReasonNotRecorded = -1;

struct TReadError {
    const TFolderNode* Node = nullptr;
    // The folder's full path (raw bytes).
    std::string Path;
    // errno of the failure (ETIMEDOUT for a folder that did not answer).
    int Error = 0;
    // The folder's listing hung and was given up.
    bool NotAnswering = false;
    // What the folder's tree held as far as it was read; none when nothing
    // of it was finished.
    std::optional<std::int64_t> SizeSoFar;
};

// Every folder of the trees below `roots` that could not be read whole
// (NodeReadError or NodeNotAnswering), in tree order: a folder before its
// subfolders, subfolders in name order.
std::vector<TReadError> ReadErrors(const std::vector<const TFolderNode*>& roots);
std::vector<TReadError> ReadErrors(const TFolderTree& tree);

// Why a folder could not be read: the system's text for its error, and that
// it did not answer when it hung.
QString ReadErrorReason(const TReadError& error);
// The words for a node's Error: the system's text, or that the scan file does
// not say.
QString ReadErrorText(int error);
