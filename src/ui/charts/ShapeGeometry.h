// Pixel conventions shared by the chart surfaces and the pie gauge: how a
// half-open pixel rectangle becomes the path QPainter strokes, and how a wedge
// given by two points on rays from the centre becomes QPainter's angles.
#pragma once

#include <QPoint>
#include <QRect>
#include <QRectF>

class QPainter;

// The path through the centres of the outermost pixels of `box`, so that a
// 1-pixel pen covers exactly the columns and rows of `box`, with or without
// antialiasing.
QRectF OutlineRect(const QRect& box);

// Start and span, in sixteenths of a degree, of the counter-clockwise wedge of
// the ellipse inscribed in `box` from the ray through `start` to the ray
// through `end`. Coinciding rays give the full ellipse; distinct rays never
// do, however close they are.
struct TWedgeAngles {
    int Start = 0;
    int Span = 0;
};
TWedgeAngles WedgeAngles(const QRect& box, const QPoint& start, const QPoint& end);

// Rounds to the nearest integer, halves to the even neighbour, as the chart's
// integer geometry requires.
int RoundHalfEven(double value);
