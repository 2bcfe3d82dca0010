// The kinds' colours, apart from their names: a program that only lists
// kinds (quillmere-scan) then needs no graphics library.
#include "models/FileCategories.h"

#include <array>

QColor FileCategoryColor(TFileCategory category) {
    static constexpr std::array<QRgb, FileCategoryCount> Colors = {
        0x3b8bd4, // images: blue
        0xd94f4f, // video: red
        0x9b59b6, // audio: purple
        0xe6a23c, // documents: amber
        0x8d6e4a, // archives: brown
        0x4caf50, // programs and libraries: green
        0x26a6a6, // source code: teal
        0x9e9e9e, // other: grey
    };
    return QColor::fromRgb(Colors[static_cast<std::size_t>(category)]);
}
