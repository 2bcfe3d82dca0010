// Colour table conversions.
#include "ColorTable.h"

#include <QGuiApplication>
#include <QPalette>

const TColorTable DefaultColors{
    SystemWindowColor,   // Pie - Background
    0x00000000,          // Pie - Lines
    0x0000FF00,          // Pie - Normal Folder
    0x0000FFFF,          // Pie - Files in current folder
    0x00C6FFC6,          // Pie - Other folders
    0x00FFFF00,          // Pie - File
    0x0000FFFF,          // Pie - Other files
    SystemInfoBackColor, // Pie - Text rect background
    0x00000000,          // Pie - Text rect lines
    0x00000000,          // Pie - Text
    0x0000FFFF,          // Pie - Text rect background (highlighted)
    0x00000000,          // Pie - Text rect lines (highlighted)
    0x00000000,          // Pie - Text (highlighted)
    SystemWindowColor,   // Not scanned panel
    0x0000FF00,          // Pie - Section Size
    0x000000FF,          // Pie - Section Wasted
    0x0000FF00,          // Pie - Free space
    0x000000FF,          // Tree Bar Chart - Bars Color
};

QString ColorCaption(int index) {
    static const char* const captions[ColorCount] = {
        "Pie - Background",
        "Pie - Lines",
        "Pie - Normal Folder",
        "Pie - Files in current folder",
        "Pie - Other folders",
        "Pie - File",
        "Pie - Other files",
        "Pie - Text rect background",
        "Pie - Text rect lines",
        "Pie - Text",
        "Pie - Text rect background (highlighted)",
        "Pie - Text rect lines (highlighted)",
        "Pie - Text (highlighted)",
        "Not scanned panel",
        "Pie - Section Size",
        "Pie - Section Wasted",
        "Pie - Free space",
        "Tree Bar Chart - Bars Color",
    };
    if (index < 0 || index >= ColorCount)
        return {};
    return QString::fromLatin1(captions[index]);
}

namespace {

// The classic system colour indexes mapped onto the palette roles that play
// the same part in a Qt style.
QColor SystemColor(unsigned index) {
    QPalette palette = QGuiApplication::palette();
    switch (index) {
    case 1:  // desktop
    case 12: // application workspace
        return palette.color(QPalette::Dark);
    case 2:  // active caption
    case 13: // highlight
        return palette.color(QPalette::Highlight);
    case 9:  // caption text
    case 14: // highlight text
        return palette.color(QPalette::HighlightedText);
    case 5: // window
        return palette.color(QPalette::Base);
    case 7: // menu text
    case 8: // window text
        return palette.color(QPalette::Text);
    case 15: // button face
        return palette.color(QPalette::Button);
    case 16: // button shadow
        return palette.color(QPalette::Mid);
    case 17: // grey text
        return palette.color(QPalette::Disabled, QPalette::Text);
    case 18: // button text
        return palette.color(QPalette::ButtonText);
    case 20: // button highlight
        return palette.color(QPalette::Light);
    case 21: // dark shadow
        return palette.color(QPalette::Shadow);
    case 22: // 3-D light
        return palette.color(QPalette::Midlight);
    case 23: // tooltip text
        return palette.color(QPalette::ToolTipText);
    case 24: // tooltip background
        return palette.color(QPalette::ToolTipBase);
    default: // scroll bar, menu, frames and the rest
        return palette.color(QPalette::Window);
    }
}

} // namespace

QColor ResolveColor(std::uint32_t word) {
    if ((word & 0xFF000000u) == SystemColorFlag)
        return SystemColor(word & 0xFFu);
    return QColor(static_cast<int>(word & 0xFF), static_cast<int>((word >> 8) & 0xFF),
                  static_cast<int>((word >> 16) & 0xFF));
}

std::uint32_t ColorWordOf(const QColor& color) {
    QColor rgb = color.toRgb();
    return static_cast<std::uint32_t>(rgb.red()) | static_cast<std::uint32_t>(rgb.green()) << 8 |
           static_cast<std::uint32_t>(rgb.blue()) << 16;
}

QByteArray ColorTableToBytes(const TColorTable& table) {
    QByteArray bytes;
    bytes.reserve(ColorCount * 4);
    for (std::uint32_t word : table) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.append(static_cast<char>((word >> shift) & 0xFF));
    }
    return bytes;
}

std::optional<TColorTable> ColorTableFromBytes(const QByteArray& bytes) {
    if (bytes.size() != ColorCount * 4)
        return std::nullopt;
    TColorTable table{};
    for (int i = 0; i < ColorCount; ++i) {
        std::uint32_t word = 0;
        for (int b = 0; b < 4; ++b)
            word |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i * 4 + b]))
                    << (8 * b);
        table[static_cast<size_t>(i)] = word;
    }
    return table;
}
