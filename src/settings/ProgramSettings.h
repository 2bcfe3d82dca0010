// The program-wide settings: the "Options" and "Desktop" option sets with one
// member per option, the working colour table and the three pie angles.
// LoadSettings fills them from the store once at start-up, SaveSettings puts
// them back into it at shut-down; in between the program reads and assigns
// them in memory.
#pragma once

#include "ColorTable.h"
#include "Options.h"

#include <QLocale>
#include <QStringList>
#include <optional>

class TSettingsStore;

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
    TStrOption& WebPageAddress;
    TStrOption& FeedbackAddress;
    TBoolOption& KeepEveryFile; // scans keep every file; the scanner is told so

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

// Every value from the store; anything absent or damaged takes its default.
void LoadSettings(TProgramSettings& settings, const TSettingsStore& store);
// Puts both option sets, the colours and the angles into the store, which
// writes them when the program ends.
void SaveSettings(const TProgramSettings& settings, TSettingsStore& store);

// Lists of drive root paths as one text: joined by ';', with '\' and ';'
// inside a path escaped by a backslash.
QString JoinDriveList(const QStringList& roots);
QStringList SplitDriveList(const QString& text);

// An angle as stored: an IEEE 754 double, 8 bytes little-endian.
QByteArray AngleToBytes(double angle);
// The angle, when the bytes are 8 and hold a finite angle from 0 to 360.
std::optional<double> AngleFromBytes(const QByteArray& bytes);

// A pie threshold as the user edits it: the angle as a percentage of the
// parent with three decimals, in the locale's notation.
QString PercentTextOfAngle(double angle, const QLocale& locale);
// The angle of a percentage the user typed; none unless it is a number from 0
// to 100. Either '.' or ',' is taken as the decimal point: a percentage has
// no thousands to group, so neither can mean anything else.
std::optional<double> AngleOfPercentText(const QString& text, const QLocale& locale);
