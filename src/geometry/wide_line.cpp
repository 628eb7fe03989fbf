#include "geometry/wide_line.h"

#include <cmath>
#include <utility>

// The window's size in pixels, the same both ways.
static constexpr double windowPixels = 400;

PixelPoint toWindowPixels(double x, double y) {
    return {(x + 1) * windowPixels / 2, (1 - y) * windowPixels / 2};
}

std::array<double, 2> fromWindowPixels(PixelPoint p) {
    return {p.x / (windowPixels / 2) - 1, 1 - p.y / (windowPixels / 2)};
}

bool runsAcross(PixelPoint a, PixelPoint b) {
    // Halving first keeps the differences finite for any finite positions.
    return std::abs(b.x / 2 - a.x / 2) >= std::abs(b.y / 2 - a.y / 2);
}

std::array<PixelPoint, 4> wideLineCorners(PixelPoint a, PixelPoint b) {
    const bool across = runsAcross(a, b);
    if (across ? a.x > b.x : a.y > b.y)
        std::swap(a, b);
    const double half = lineWidthPixels / 2;
    const double dx = across ? 0 : half;
    const double dy = across ? half : 0;
    // a, b, then back along the other side: clockwise on screen (y down), so
    // parallelograms gathered in one path fill as their union.
    if (across)
        return {{{a.x, a.y - dy}, {b.x, b.y - dy}, {b.x, b.y + dy}, {a.x, a.y + dy}}};
    return {{{a.x + dx, a.y}, {b.x + dx, b.y}, {b.x - dx, b.y}, {a.x - dx, a.y}}};
}
