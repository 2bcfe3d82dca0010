// Pixel conventions shared by the chart surfaces and the pie gauge.
#include "ui/charts/ShapeGeometry.h"

#include <cmath>
#include <cstdint>
#include <numbers>

QRectF OutlineRect(const QRect& box) {
    return QRectF(box.x() + 0.5, box.y() + 0.5, box.width() - 1.0, box.height() - 1.0);
}

namespace {

constexpr int FullCircle = 360 * 16;

// QPainter's arcs take the parametric angle of the ellipse, while the wedge is
// given by rays through points; scaling by the radii turns one into the other.
double ParametricAngle(double dx, double dy, double rx, double ry) {
    return std::atan2(-dy / ry, dx / rx) * 180.0 / std::numbers::pi;
}

} // namespace

TWedgeAngles WedgeAngles(const QRect& box, const QPoint& start, const QPoint& end) {
    // Doubled coordinates keep the box centre an integer, so the test for
    // coinciding rays is exact.
    const std::int64_t cx2 = 2LL * box.x() + box.width();
    const std::int64_t cy2 = 2LL * box.y() + box.height();
    const std::int64_t sx = 2LL * start.x() - cx2, sy = 2LL * start.y() - cy2;
    const std::int64_t ex = 2LL * end.x() - cx2, ey = 2LL * end.y() - cy2;
    if (sx * ey - sy * ex == 0 && sx * ex + sy * ey >= 0)
        return {0, FullCircle};

    const double rx = box.width() > 0 ? box.width() : 1.0;
    const double ry = box.height() > 0 ? box.height() : 1.0;
    const double a0 = ParametricAngle(double(sx), double(sy), rx, ry);
    const double a1 = ParametricAngle(double(ex), double(ey), rx, ry);
    double span = std::fmod(a1 - a0, 360.0);
    if (span < 0)
        span += 360.0;
    TWedgeAngles result;
    result.Start = int(std::lround(a0 * 16));
    result.Span = int(std::lround(span * 16));
    if (result.Span < 1)
        result.Span = 1;
    if (result.Span >= FullCircle)
        result.Span = FullCircle - 1;
    return result;
}

int RoundHalfEven(double value) {
    // nearbyint follows the current rounding mode, which is round-to-nearest
    // with ties to even unless someone changed it; do not rely on that.
    const double floor = std::floor(value);
    const double diff = value - floor;
    double result = floor;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(floor, 2.0) != 0.0))
        result = floor + 1.0;
    return int(result);
}
