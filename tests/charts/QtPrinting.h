// Readable failure messages for the Qt value types the chart tests compare,
// and a colour comparison that allows for smoothed edges.
#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <cstdlib>
#include <ostream>

inline void PrintTo(const QColor& color, std::ostream* os) {
    *os << "rgb(" << color.red() << ", " << color.green() << ", " << color.blue() << ")";
}
inline void PrintTo(const QPoint& point, std::ostream* os) {
    *os << "(" << point.x() << ", " << point.y() << ")";
}
inline void PrintTo(const QSize& size, std::ostream* os) {
    *os << size.width() << " x " << size.height();
}
inline void PrintTo(const QRect& rect, std::ostream* os) {
    *os << "(" << rect.x() << ", " << rect.y() << ") " << rect.width() << " x " << rect.height();
}

// Every channel within `tolerance`; 0 asks for the exact colour.
inline bool Near(const QColor& actual, const QColor& expected, int tolerance) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}
