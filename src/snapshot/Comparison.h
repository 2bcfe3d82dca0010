// A folder of the current tree held beside an earlier scan of the same
// folder: the figures a folder had then, the folders that are gone since,
// and what grew most.
//
// Contract: folders match by the raw bytes of their path below the compared
// folder, so the earlier scan may have been made at another absolute path
// (an export copied from a server). The comparison owns the earlier tree,
// which never changes; the current tree may change under it (rescans below
// the compared folder, folders removed) because nothing of the current tree
// is kept but the compared folder itself, whose owner ends the comparison
// before that folder goes. Everything runs on the thread that owns the tree.
#pragma once

#include "engine/FolderNode.h"
#include "snapshot/ScanFile.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// What a folder held in the earlier scan.
struct TThenFigures {
    std::int64_t TreeSize = 0;
    std::uint32_t Files = 0;
    std::uint32_t Folders = 0;
};

// One row of "What Grew".
struct TGrowth {
    // The folder of the current tree, and its path below the compared folder
    // ("" for the compared folder itself).
    const TFolderNode* Node = nullptr;
    std::string RelativePath;
    // None for a folder that is new since the earlier scan.
    std::optional<std::int64_t> Then;
    std::int64_t Now = 0;
    std::int64_t Change = 0;
};

// A folder's growth counts as its own unless one subfolder grew by at least
// this share of it: then that subfolder says the same thing more precisely.
inline constexpr double PassThroughShare = 0.9;

class TScanComparison {
public:
    // Compares `current` (which must carry its record) with `earlier`, the
    // root of the earlier scan of the same folder.
    TScanComparison(const TFolderNode& current, std::unique_ptr<TFolderNode> earlier,
                    TScanFileInfo info);
    // Takes the earlier tree apart without recursion: it may be deep.
    ~TScanComparison();
    TScanComparison(const TScanComparison&) = delete;
    TScanComparison& operator=(const TScanComparison&) = delete;

    const TFolderNode& Base() const { return *Current; }
    const TFolderNode& EarlierRoot() const { return *Earlier; }
    const TScanFileInfo& Info() const { return FileInfo; }

    // Whether node is the compared folder or lies below it.
    bool Covers(const TFolderNode& node) const;
    // The folder of the earlier scan at node's place; none when node is new,
    // or outside the comparison.
    const TFolderNode* EarlierOf(const TFolderNode& node) const;
    // The figures node's folder had then; none when it is new (or had no
    // record then), or outside the comparison.
    std::optional<TThenFigures> Then(const TFolderNode& node) const;
    // Then for each of node's children, in their order: a list's rows found
    // with one look-up of node, not one walk from the compared folder each.
    std::vector<std::optional<TThenFigures>> ThenOfChildren(const TFolderNode& node) const;
    // The folders of the earlier scan directly below node's place that the
    // current tree no longer has, in the earlier scan's order.
    std::vector<const TFolderNode*> GoneBelow(const TFolderNode& node) const;

    // The folders of the compared tree that grew, largest growth first (ties
    // by path): every scanned folder whose tree size is larger than then, or
    // that is new and not empty, except those whose growth one subfolder
    // explains (see PassThroughShare). With `limit`, only the first `limit`.
    std::vector<TGrowth> WhatGrew(std::size_t limit = 0) const;

private:
    // The child of an earlier folder named `name`, found through an index
    // for folders with many children.
    const TFolderNode* EarlierChild(const TFolderNode& parent, std::string_view name) const;

    const TFolderNode* Current;
    std::unique_ptr<TFolderNode> Earlier;
    TScanFileInfo FileInfo;
    using TNameIndex = std::unordered_map<std::string_view, const TFolderNode*>;
    // Built on first use; the earlier tree never changes, so they stay right.
    mutable std::unordered_map<const TFolderNode*, TNameIndex> Indexes;
};

// The figures of a record as TThenFigures, to hold the current folder's
// beside the earlier ones.
TThenFigures FiguresOf(const TFolderSize& record);
// Percent change from `then` to `now`; none when `then` is 0.
std::optional<double> ChangePercent(std::int64_t then, std::int64_t now);
