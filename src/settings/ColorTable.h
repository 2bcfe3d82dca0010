// The 18 display colours: their captions, defaults, the stored 72-byte form,
// and the conversion of a colour word (RGB or system colour) to a QColor.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

enum TColorIndex {
    ciPieBackground,
    ciPieLines,
    ciPieNormalFolder,
    ciPieFilesInCurrentFolder,
    ciPieOtherFolders,
    ciPieFile,
    ciPieOtherFiles,
    ciPieTextRectBackground,
    ciPieTextRectLines,
    ciPieText,
    ciPieTextRectBackgroundHighlighted,
    ciPieTextRectLinesHighlighted,
    ciPieTextHighlighted,
    ciNotScannedPanel,
    ciPieSectionSize,
    ciPieSectionWasted,
    ciPieFreeSpace,
    ciTreeBarChartBars,
    ColorCount
};

// A colour word: 0x00BBGGRR, or 0xFF0000nn for system colour nn.
using TColorTable = std::array<std::uint32_t, ColorCount>;

inline constexpr std::uint32_t SystemColorFlag = 0xFF000000u;
inline constexpr std::uint32_t SystemWindowColor = SystemColorFlag | 5;
inline constexpr std::uint32_t SystemInfoBackColor = SystemColorFlag | 24;

extern const TColorTable DefaultColors;

// The caption the options dialog lists for the entry.
QString ColorCaption(int index);

// The colour to draw with; system colours come from the application palette.
QColor ResolveColor(std::uint32_t word);
// The RGB word of a colour chosen by the user.
std::uint32_t ColorWordOf(const QColor& color);

// 18 little-endian 32-bit words, 72 bytes.
QByteArray ColorTableToBytes(const TColorTable& table);
std::optional<TColorTable> ColorTableFromBytes(const QByteArray& bytes);
