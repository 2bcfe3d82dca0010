// The program-wide settings: the "Options" and "Desktop" option sets with one
// member per option, the working colour table and the three pie angles.
// LoadSettings fills them once at start-up, SaveSettings writes them back at
// shut-down; in between the program reads and assigns them in memory.
#pragma once

#include "ColorTable.h"
#include "Options.h"

#include <QStringList>

inline constexpr double DefaultMinFileSectionAngle = 2.0;
inline constexpr double DefaultMinFolderSectionAngle = 1.0;
inline constexpr double DefaultMinTextSectionAngle = 5.0;

class TProgramSettings {
public:
    TProgramSettings();
    TProgramSettings(const TProgramSettings&) = delete;
    TProgramSettings& operator=(const TProgramSettings&) = delete;

    TOptions OptionsSet;
    TOptions DesktopSet;

    // "Options"
    TBoolOption& IncludeWastedInformation;
    TBoolOption& ShowFileNames;
    TIntOption& ShowPercentInPie; // 0 none, 1 percent, 2 absolute sizes
    TBoolOption& AutoExpand;
    TBoolOption& AutoCollapse;
    TBoolOption& SortAscending;
    TStrOption& DrivesToAutoScan; // root paths, see JoinDriveList
    TBoolOption& ZIPAddSubfolders;
    TBoolOption& ZIPAddHiddenFiles;
    TBoolOption& ZIPDeleteAfterCompressing;
    TBoolOption& ZIPPasswordProtect;
    TIntOption& ZIPCompressionLevel;
    TBoolOption& ZIPDeleteArchive;

    // "Desktop"
    TBoolOption& ViewToolbar;
    TBoolOption& ViewStatusBar;
    TBoolOption& ViewFolderTree;
    TBoolOption& PieSectionSizeWindow;
    TBoolOption& ShowSurvey;

    TColorTable Colors = DefaultColors;
    double MinFileSectionAngle = DefaultMinFileSectionAngle;
    double MinFolderSectionAngle = DefaultMinFolderSectionAngle;
    double MinTextSectionAngle = DefaultMinTextSectionAngle;
};

// The one instance; it exists with default values before LoadSettings.
TProgramSettings& Settings();

// Every value from the store; anything absent or damaged keeps its default.
void LoadSettings();
// Writes both option sets, the colours and the angles. False when the store
// could not be written (a read-only or full disk).
bool SaveSettings();

// Lists of drive root paths as one text: joined by ';', with '\' and ';'
// inside a path escaped by a backslash.
QString JoinDriveList(const QStringList& roots);
QStringList SplitDriveList(const QString& text);

// An angle as stored: an IEEE 754 double, 8 bytes little-endian.
QByteArray AngleToBytes(double angle);
// The angle, when the bytes are 8 and hold a finite angle from 0 to 360.
std::optional<double> AngleFromBytes(const QByteArray& bytes);
