// Everything a move must keep of a tree, for comparing it before and after:
// per entry its type, mode, owner, size, modification time to the
// nanosecond, link target, a digest of its contents (holes skipped, their
// places kept) and which entries share one inode. Walked through open
// folder descriptors, so paths of any length and any bytes are fine.
#pragma once

#include <map>
#include <string>
#include <vector>

// Entry path below root ("" for root itself) -> its description. Empty when
// nothing is at root.
using TTreeSnapshot = std::map<std::string, std::string>;
TTreeSnapshot SnapshotTree(const std::string& root);

// Up to five entries that differ, one a line; empty when none does.
std::string SnapshotDifference(const TTreeSnapshot& expected, const TTreeSnapshot& actual);

// The names in a folder, sorted; empty when it cannot be listed.
std::vector<std::string> FolderNames(const std::string& folder);

// Makes a chain of folders below parent whose path adds at least `bytes`
// bytes, working relative to descriptors; returns the chain's path below
// parent.
std::string MakeDeepChain(const std::string& parent, std::size_t bytes);
