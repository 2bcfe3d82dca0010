// What the "Folder Info" and "Wasted Space" pages show for a scanned folder:
// its names, dates and attributes, the figures of the folder and of its whole
// tree, and its wasted space at each what-if cluster size. Produced from the
// folder's record without any window, so the pages and the folder information
// report show the same texts.
#pragma once

#include "engine/FolderNode.h"
#include "engine/Paths.h"
#include "snapshot/Comparison.h"

#include <QString>

#include <array>
#include <cstdint>
#include <string>

// A figure as a label shows it: the text, and the exact value as its tooltip.
struct TFigureText {
    QString Text;
    QString Hint;
};

// One column of figures: the whole tree, or the folder's own content.
struct TFolderFigures {
    TFigureText Size;
    TFigureText Allocated;
    TFigureText Wasted;
    TFigureText Objects;
};

struct TInfoRow {
    QString Caption;
    QString Value;
};

inline constexpr int FolderInfoRowCount = 11;

// The rows of the grid, by position.
enum TFolderInfoRow {
    RowLongName = 0,
    RowDosName = 1,
    RowLastAccess = 2,
    RowLastChange = 3,
    RowCreation = 4,
    RowAttributes = 5,
    RowSeparator = 6,
    RowReadOnlyFiles = 7,
    RowHiddenFiles = 8,
    RowSystemFiles = 9,
    RowCompressedFiles = 10,
};

struct TFolderInfoContent {
    bool IsDriveRoot = false;
    // "Root Folder of Drive" for a drive, else the type name of a folder.
    QString TypeText;
    // The display name: the drive's text for a drive root, else the folder's name.
    QString DisplayName;
    // The folder's full path, for the header of a folder below a drive root.
    QString PathText;
    TFolderFigures Tree;
    TFolderFigures Folder;
    std::array<TInfoRow, FolderInfoRowCount> Rows;
    // Why the figures are not the whole truth, when something of the folder
    // or below it could not be read; empty when it was read whole.
    QString Incomplete;
    // The change since an earlier scan, while one is compared; else empty.
    QString Change;
};

// The folder's note on figures that are incomplete (see Incomplete above).
QString IncompleteNote(const TFolderNode& node);

// A folder's change since the earlier scan, short ("+1.5 MB", "new") for the
// pie's header and whole for the folder information page and its report.
// Both empty without a comparison or for a folder it does not cover.
struct TChangeText {
    QString Short;
    QString Long;
};
TChangeText FolderChangeText(const TScanComparison* comparison, const TFolderNode& node);

// The headings and row captions of the figures panel.
QString TreeFiguresHeading();
QString FolderFiguresHeading();
QString SizeCaption();
QString AllocatedCaption();
QString WastedCaption();
QString ObjectsCaption();

// The captions of the grid rows, by row; the separator row's is empty.
std::array<QString, FolderInfoRowCount> FolderInfoCaptions();

// "Archive + ReadOnly + Directory": the names of the set bits, in this order.
QString AttributeNames(std::uint32_t attributes);
// "The folder contains Hidden files" or "No Hidden files".
QString AttributeLine(std::uint32_t attributesOr, std::uint32_t bit, const QString& name);
// The type name the desktop gives folders.
QString FolderTypeName();

// The content for a node with a record. `entry` is the folder's own directory
// entry, or none (a drive root, a folder gone meanwhile).
TFolderInfoContent FolderInfoContent(const TFolderNode& node, const TDirEntry* entry,
                                     const QString& typeName, int whatIfIndex);
// The same, looking up the folder's entry and type name itself.
TFolderInfoContent FolderInfoContent(const TFolderNode& node, int whatIfIndex);

// ---- wasted space ------------------------------------------------------------

struct TWastedPanel {
    std::int32_t ClusterSize = 0;
    QString Caption;     // "0.5K"
    QString CaptionHint; // "512 bytes"
    QString PanelHint;   // the media that use this size; may be empty
    // Tree wasted space at this size, and the space the tree would take there;
    // the gauge shows the one as a share of the other.
    std::int64_t Wasted = 0;
    std::int64_t UsagePlusWasted = 0;
    TFigureText Value;
    // What the panel's gauge shows: Wasted as a whole percent of UsagePlusWasted.
    int Percent = 0;
    // This is the cluster size of the folder's drive.
    bool DriveSize = false;
};

// Help topics of the "reduce the wasted space" link.
inline constexpr int HelpReduceWasteFolder = 3010;
inline constexpr int HelpReduceWasteDrive = 3020;

struct TWastedContent {
    bool IsDriveRoot = false;
    // "Amount of space wasted by folder (+ subfolders)" / "... on drive".
    QString Amount;
    // The drive's caption for a drive root, else the folder's full path.
    QString PathText;
    QString AtDifferentSizes;
    int HelpContext = HelpReduceWasteFolder;
    std::array<TWastedPanel, AltClusterCount> Panels;
};

QString ReduceWasteLinkText();

// The seven panels for a record (none: captions and hints with no figures);
// `driveClusterSize` marks the panel of the drive's own size.
std::array<TWastedPanel, AltClusterCount> WastedPanels(const TFolderSize* record,
                                                       std::int32_t driveClusterSize);
// The wasted space of the node's tree at every what-if cluster size;
// `driveClusterSize` marks the panel of the drive's own size.
TWastedContent WastedSpaceContent(const TFolderNode& node, std::int32_t driveClusterSize);
