// Every value that Quillmere keeps in its settings store: section, name, kind,
// default and the correction applied to a stored integer that is out of range.
// The rest of the program names a value through the constants below and never
// spells a section or value name itself.
#pragma once

#include <span>

enum class TKeyKind { Int, Bool, Str, Binary };

struct TConfigKey {
    const char* Section;
    const char* Name;
    TKeyKind Kind;
    // Int and Bool keys; for Bool 0 or 1. AbsentValue marks a value with no
    // default of its own (window bounds, the bar chart's graph width).
    int IntDefault = 0;
    const char* StrDefault = "";
    // Binary keys: the exact size in bytes.
    int BinarySize = 0;
    // Int keys: turns a stored value into the one to use; nullptr keeps it.
    int (*Correct)(int stored) = nullptr;
};

// The default of bounds and states that were never written.
inline constexpr int AbsentValue = 2147483647;

// The settings store that holds all sections (one file on Linux).
inline constexpr const char* ProductKey = "Software\\Fenwright\\Quillmere 3";

namespace Section {
inline constexpr const char* Options = "Options";
inline constexpr const char* Desktop = "Desktop";
inline constexpr const char* PopUpBox = "PopUpBox";
inline constexpr const char* BarChartBox = "BarChartBox";
inline constexpr const char* LargestFilesBox = "LargestFilesBox";
inline constexpr const char* FileTypesBox = "FileTypesBox";
} // namespace Section

// A window's placement: four integers in one section.
struct TBoundsKeys {
    const TConfigKey& Left;
    const TConfigKey& Top;
    const TConfigKey& Width;
    const TConfigKey& Height;
};

namespace Keys {
// "Options", in the order the option set registers them.
extern const TConfigKey IncludeWastedInformation;
extern const TConfigKey ShowFileNames;
extern const TConfigKey ShowPercentInPie;
extern const TConfigKey AutoExpand;
extern const TConfigKey AutoCollapse;
extern const TConfigKey SortAscending;
extern const TConfigKey DrivesToAutoScan;
extern const TConfigKey ZIPAddSubfolders;
extern const TConfigKey ZIPAddHiddenFiles;
extern const TConfigKey ZIPDeleteAfterCompressing;
extern const TConfigKey ZIPPasswordProtect;
extern const TConfigKey ZIPCompressionLevel;
extern const TConfigKey ZIPDeleteArchive;
// Full web addresses of the Help menu's two web commands; empty: none.
extern const TConfigKey WebPageAddress;
extern const TConfigKey FeedbackAddress;
// Scans keep every file of every folder (off: folder sums only).
extern const TConfigKey KeepEveryFile;
extern const TConfigKey Colors;
extern const TConfigKey MinFileSectionAngle;
extern const TConfigKey MinFolderSectionAngle;
extern const TConfigKey MinTextSectionAngle;
// The subfolder list's own values, read and written by the main window.
extern const TConfigKey FoldersDisplayType;
extern const TConfigKey FoldersDisplayTopX;
extern const TConfigKey FoldersDisplayLargerThan;
extern const TConfigKey FoldersDisplayLargerThanUnit;
extern const TConfigKey FoldersDisplaySort;

// "Desktop"
extern const TConfigKey ViewToolbar;
extern const TConfigKey ViewStatusBar;
extern const TConfigKey ViewFolderTree;
extern const TConfigKey PieSectionSizeWindow;
extern const TConfigKey ShowSurvey;
extern const TConfigKey DesktopLeft;
extern const TConfigKey DesktopTop;
extern const TConfigKey DesktopWidth;
extern const TConfigKey DesktopHeight;
extern const TConfigKey WindowState;

// "PopUpBox": the section size window.
extern const TConfigKey PopUpBoxLeft;
extern const TConfigKey PopUpBoxTop;
extern const TConfigKey PopUpBoxWidth;
extern const TConfigKey PopUpBoxHeight;

// "BarChartBox": the tree bar chart window.
extern const TConfigKey BarChartBoxLeft;
extern const TConfigKey BarChartBoxTop;
extern const TConfigKey BarChartBoxWidth;
extern const TConfigKey BarChartBoxHeight;
extern const TConfigKey GraphWidth;
extern const TConfigKey IncludeSubfolders;
extern const TConfigKey ShowFullPath;

// "LargestFilesBox": the largest files window.
extern const TConfigKey LargestFilesBoxLeft;
extern const TConfigKey LargestFilesBoxTop;
extern const TConfigKey LargestFilesBoxWidth;
extern const TConfigKey LargestFilesBoxHeight;
extern const TConfigKey LargestFilesCount;
// "FileTypesBox": the file types window.
extern const TConfigKey FileTypesBoxLeft;
extern const TConfigKey FileTypesBoxTop;
extern const TConfigKey FileTypesBoxWidth;
extern const TConfigKey FileTypesBoxHeight;

extern const TBoundsKeys MainWindowBounds;
extern const TBoundsKeys PopUpBoxBounds;
extern const TBoundsKeys BarChartBoxBounds;
extern const TBoundsKeys LargestFilesBoxBounds;
extern const TBoundsKeys FileTypesBoxBounds;
} // namespace Keys

// Every key above, in table order.
std::span<const TConfigKey* const> AllConfigKeys();

// The stored integer after the key's range rule.
int CorrectedValue(const TConfigKey& key, int stored);
