// What the pie of a folder shows, decided without any window: which
// subfolders and files get sections of their own, which are gathered into
// the group sections, the angles, colours and captions, the order, and the
// record behind every section. The pie page turns the result into chart
// sections; the pie export and the tests use it as it is.
#pragma once

#include "engine/FolderNode.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// What a section stands for; the numbers are those the section records use.
enum class TPieItemKind : std::uint8_t { File = 0, Folder = 1, Drive = 2, Group = 3 };

// Mouse cursors over the pie, by number.
enum TPieCursor : int { PieCursorArrow = 0, PieCursorZoomIn = 5, PieCursorZoomOut = 6 };

// Entries of the colour table the sections are painted with.
enum TPieColorIndex : int {
    PieColorNormalFolder = 2,
    PieColorFilesInFolder = 3,
    PieColorOtherFolders = 4,
    PieColorFile = 5,
    PieColorOtherFiles = 6,
};

// The texts of the group sections.
QString PieFilesInThisFolder();
QString PieOtherSmallerFolders();
QString PieOtherSmallerFiles();
QString PieThisFolderEmpty();

// How the user wants the pie; the caller reads these from the settings.
struct TPieOptions {
    bool IncludeWasted = true;  // section values are size + wasted space
    bool ShowFiles = true;      // files get sections of their own
    int LabelValue = 0;         // 0 nothing, 1 percent, 2 size after the name
    bool SortAscending = false; // smallest section first
    double MinFolderAngle = 1.0;
    double MinFileAngle = 2.0;
    int WhatIfIndex = 0; // the cluster size whose wasted space is shown
};

// The record behind a section, and behind the folder itself (item 0).
struct TPieItem {
    TFolderNode* Node = nullptr; // the folder a click opens; none for files and groups
    // A file's folder when it is not the current folder (a file listed from
    // the current folder's whole tree); none for the current folder's own.
    TFolderNode* Folder = nullptr;
    int Cursor = PieCursorArrow;
    QString Name;     // for display
    std::string Path; // raw bytes; a group's path is its name
    std::int64_t Size = 0;
    std::int64_t Wasted = 0;
    TPieItemKind Kind = TPieItemKind::File;
};

struct TPieSlice {
    QString Caption; // name and label value
    int ColorIndex = PieColorNormalFolder;
    double Angle = 0.0;
    int Item = 0; // index into TPieContent::Items
};

struct TPieContent {
    // Item 0 is the folder itself; every slice refers to one of the others.
    std::vector<TPieItem> Items;
    // In drawing order, already sorted.
    std::vector<TPieSlice> Slices;
    // The whole the angles are shares of.
    std::int64_t Total = 0;
    // Whether the folder's files were read whole (only asked for with
    // ShowFiles); when not, the reason as an errno value, and what the
    // listing did not reach of the folder's own files is one "Files in this
    // folder" section.
    bool FilesListed = true;
    int FilesError = 0;
};

// Receives every entry of a folder that is not itself a folder: its raw name
// and its size in bytes.
using TPieFileVisitor = std::function<void(std::string_view name, std::int64_t size)>;
// Hands every file of a folder to the visitor, in the order the file system
// gives them. False with `error` set when the listing failed, possibly after
// some files were handed over.
using TPieFileSource = std::function<bool(const TPieFileVisitor& visit, int& error)>;

// The files of the folder at `path` as the disk lists them now; links are
// files of their own size and are never followed. On a drive that may hang
// the listing runs on a helper thread and is given up after a while.
TPieFileSource FolderFilesOnDisk(const std::string& path, bool mayHang = false);

// The files the scan kept for folder (TFolderNode::Files), in the order
// they were listed: the files of a tree that is not the disk, such as an
// opened scan file's. Never touches the disk.
TPieFileSource KeptFolderFiles(const TFolderNode& folder);

// The pie of `folder`, which must carry its record. Folder figures are read
// through the what-if accessors; a file's wasted space is its slack at
// `clusterSize`, the drive's own cluster size. `files` is only asked when
// options.ShowFiles is set.
TPieContent BuildPieContent(TFolderNode& folder, const TPieOptions& options,
                            std::int32_t clusterSize, const TPieFileSource& files);

// The label value of a section: " (24%)" or " (1.5 MB)", or nothing.
QString PieLabelValue(int labelValue, double angle, std::int64_t shownSize);
