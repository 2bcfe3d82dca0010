// The table of all settings values. Range rules live here so that every
// reader of a value applies the same one.
#include "ConfigKeys.h"

#include <array>
#include <cstdlib>

namespace {

constexpr int ZipLevelRule(int v) {
    return v >= 0 && v <= 9 ? v : 9;
}
constexpr int ShowPercentRule(int v) {
    return v >= 0 && v <= 2 ? v : 1;
}
constexpr int DisplayTypeRule(int v) {
    return v >= 0 && v <= 2 ? v : 2;
}
constexpr int TopXRule(int v) {
    return v >= 0 ? v : 10;
}
constexpr int LargestCountRule(int v) {
    return v >= 1 && v <= 10000 ? v : 100;
}
constexpr int LargerThanRule(int v) {
    return v >= 0 && v <= 32767 ? v : 1;
}
constexpr int UnitRule(int v) {
    return v >= 0 && v <= 2 ? v : 1;
}
// The sign is the direction, the magnitude the column (1..8).
constexpr int SortRule(int v) {
    return v != 0 && v >= -8 && v <= 8 ? v : 1;
}

constexpr TConfigKey Bool(const char* section, const char* name, bool def) {
    return {section, name, TKeyKind::Bool, def ? 1 : 0};
}
constexpr TConfigKey Int(const char* section, const char* name, int def,
                         int (*rule)(int) = nullptr) {
    return {section, name, TKeyKind::Int, def, "", 0, rule};
}
constexpr TConfigKey Str(const char* section, const char* name, const char* def) {
    return {section, name, TKeyKind::Str, 0, def};
}
constexpr TConfigKey Binary(const char* section, const char* name, int size) {
    return {section, name, TKeyKind::Binary, 0, "", size};
}

} // namespace

namespace Keys {
using namespace Section;

const TConfigKey IncludeWastedInformation = Bool(Options, "IncludeWastedInformation", true);
const TConfigKey ShowFileNames = Bool(Options, "ShowFileNames", true);
const TConfigKey ShowPercentInPie = Int(Options, "ShowPercentInPie", 1, ShowPercentRule);
const TConfigKey AutoExpand = Bool(Options, "AutoExpand", true);
const TConfigKey AutoCollapse = Bool(Options, "AutoCollapse", true);
const TConfigKey SortAscending = Bool(Options, "SortAscending", false);
const TConfigKey DrivesToAutoScan = Str(Options, "DrivesToAutoScan", "");
const TConfigKey ZIPAddSubfolders = Bool(Options, "ZIPAddSubfolders", true);
const TConfigKey ZIPAddHiddenFiles = Bool(Options, "ZIPAddHiddenFiles", true);
const TConfigKey ZIPDeleteAfterCompressing = Bool(Options, "ZIPDeleteAfterCompressing", true);
const TConfigKey ZIPPasswordProtect = Bool(Options, "ZIPPasswordProtect", false);
const TConfigKey ZIPCompressionLevel = Int(Options, "ZIPCompressionLevel", 9, ZipLevelRule);
const TConfigKey ZIPDeleteArchive = Bool(Options, "ZIPDeleteArchive", true);
const TConfigKey WebPageAddress = Str(Options, "WebPageAddress", "");
const TConfigKey FeedbackAddress = Str(Options, "FeedbackAddress", "");
const TConfigKey KeepEveryFile = Bool(Options, "KeepEveryFile", true);
const TConfigKey Colors = Binary(Options, "Colors", 72);
const TConfigKey MinFileSectionAngle = Binary(Options, "MinFileSectionAngle", 8);
const TConfigKey MinFolderSectionAngle = Binary(Options, "MinFolderSectionAngle", 8);
const TConfigKey MinTextSectionAngle = Binary(Options, "MinTextSectionAngle", 8);
const TConfigKey FoldersDisplayType = Int(Options, "FoldersDisplayType", 2, DisplayTypeRule);
const TConfigKey FoldersDisplayTopX = Int(Options, "FoldersDisplayTopX", 10, TopXRule);
const TConfigKey FoldersDisplayLargerThan =
    Int(Options, "FoldersDisplayLargerThan", 1, LargerThanRule);
const TConfigKey FoldersDisplayLargerThanUnit =
    Int(Options, "FoldersDisplayLargerThanUnit", 1, UnitRule);
const TConfigKey FoldersDisplaySort = Int(Options, "FoldersDisplaySort", 1, SortRule);

const TConfigKey ViewToolbar = Bool(Desktop, "ViewToolbar", true);
const TConfigKey ViewStatusBar = Bool(Desktop, "ViewStatusBar", true);
const TConfigKey ViewFolderTree = Bool(Desktop, "ViewFolderTree", true);
const TConfigKey PieSectionSizeWindow = Bool(Desktop, "PieSectionSizeWindow", true);
const TConfigKey ShowSurvey = Bool(Desktop, "ShowSurvey", true);
const TConfigKey DesktopLeft = Int(Desktop, "Left", AbsentValue);
const TConfigKey DesktopTop = Int(Desktop, "Top", AbsentValue);
const TConfigKey DesktopWidth = Int(Desktop, "Width", AbsentValue);
const TConfigKey DesktopHeight = Int(Desktop, "Height", AbsentValue);
const TConfigKey WindowState = Int(Desktop, "WindowState", AbsentValue);

const TConfigKey PopUpBoxLeft = Int(PopUpBox, "Left", AbsentValue);
const TConfigKey PopUpBoxTop = Int(PopUpBox, "Top", AbsentValue);
const TConfigKey PopUpBoxWidth = Int(PopUpBox, "Width", AbsentValue);
const TConfigKey PopUpBoxHeight = Int(PopUpBox, "Height", AbsentValue);

const TConfigKey BarChartBoxLeft = Int(BarChartBox, "Left", AbsentValue);
const TConfigKey BarChartBoxTop = Int(BarChartBox, "Top", AbsentValue);
const TConfigKey BarChartBoxWidth = Int(BarChartBox, "Width", AbsentValue);
const TConfigKey BarChartBoxHeight = Int(BarChartBox, "Height", AbsentValue);
// Its default depends on the window's header, so the window passes it.
const TConfigKey GraphWidth = Int(BarChartBox, "GraphWidth", AbsentValue);
const TConfigKey IncludeSubfolders = Bool(BarChartBox, "IncludeSubfolders", true);
const TConfigKey ShowFullPath = Bool(BarChartBox, "ShowFullPath", true);

const TConfigKey LargestFilesBoxLeft = Int(LargestFilesBox, "Left", AbsentValue);
const TConfigKey LargestFilesBoxTop = Int(LargestFilesBox, "Top", AbsentValue);
const TConfigKey LargestFilesBoxWidth = Int(LargestFilesBox, "Width", AbsentValue);
const TConfigKey LargestFilesBoxHeight = Int(LargestFilesBox, "Height", AbsentValue);
const TConfigKey LargestFilesCount = Int(LargestFilesBox, "Count", 100, LargestCountRule);
const TConfigKey FileTypesBoxLeft = Int(FileTypesBox, "Left", AbsentValue);
const TConfigKey FileTypesBoxTop = Int(FileTypesBox, "Top", AbsentValue);
const TConfigKey FileTypesBoxWidth = Int(FileTypesBox, "Width", AbsentValue);
const TConfigKey FileTypesBoxHeight = Int(FileTypesBox, "Height", AbsentValue);

const TBoundsKeys MainWindowBounds{DesktopLeft, DesktopTop, DesktopWidth, DesktopHeight};
const TBoundsKeys PopUpBoxBounds{PopUpBoxLeft, PopUpBoxTop, PopUpBoxWidth, PopUpBoxHeight};
const TBoundsKeys BarChartBoxBounds{BarChartBoxLeft, BarChartBoxTop, BarChartBoxWidth,
                                    BarChartBoxHeight};
const TBoundsKeys LargestFilesBoxBounds{LargestFilesBoxLeft, LargestFilesBoxTop,
                                        LargestFilesBoxWidth, LargestFilesBoxHeight};
const TBoundsKeys FileTypesBoxBounds{FileTypesBoxLeft, FileTypesBoxTop, FileTypesBoxWidth,
                                     FileTypesBoxHeight};
} // namespace Keys

std::span<const TConfigKey* const> AllConfigKeys() {
    using namespace Keys;
    static const std::array<const TConfigKey*, 55> table{
        &IncludeWastedInformation,
        &ShowFileNames,
        &ShowPercentInPie,
        &AutoExpand,
        &AutoCollapse,
        &SortAscending,
        &DrivesToAutoScan,
        &ZIPAddSubfolders,
        &ZIPAddHiddenFiles,
        &ZIPDeleteAfterCompressing,
        &ZIPPasswordProtect,
        &ZIPCompressionLevel,
        &ZIPDeleteArchive,
        &WebPageAddress,
        &FeedbackAddress,
        &KeepEveryFile,
        &Colors,
        &MinFileSectionAngle,
        &MinFolderSectionAngle,
        &MinTextSectionAngle,
        &FoldersDisplayType,
        &FoldersDisplayTopX,
        &FoldersDisplayLargerThan,
        &FoldersDisplayLargerThanUnit,
        &FoldersDisplaySort,
        &ViewToolbar,
        &ViewStatusBar,
        &ViewFolderTree,
        &PieSectionSizeWindow,
        &ShowSurvey,
        &DesktopLeft,
        &DesktopTop,
        &DesktopWidth,
        &DesktopHeight,
        &WindowState,
        &PopUpBoxLeft,
        &PopUpBoxTop,
        &PopUpBoxWidth,
        &PopUpBoxHeight,
        &BarChartBoxLeft,
        &BarChartBoxTop,
        &BarChartBoxWidth,
        &BarChartBoxHeight,
        &GraphWidth,
        &IncludeSubfolders,
        &ShowFullPath,
        &LargestFilesBoxLeft,
        &LargestFilesBoxTop,
        &LargestFilesBoxWidth,
        &LargestFilesBoxHeight,
        &LargestFilesCount,
        &FileTypesBoxLeft,
        &FileTypesBoxTop,
        &FileTypesBoxWidth,
        &FileTypesBoxHeight,
    };
    return table;
}

int CorrectedValue(const TConfigKey& key, int stored) {
    return key.Correct ? key.Correct(stored) : stored;
}
