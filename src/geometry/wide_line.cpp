#include "geometry/wide_line.h"

#include <cmath>
#include <limits>
#include <utility>

// Half the window's side, in pixels.
static constexpr double halfWindow = windowPixels / 2;

PixelPoint toWindowPixels(double x, double y) {
    return {(x + 1) * halfWindow, (1 - y) * halfWindow};
}

std::array<double, 2> fromWindowPixels(PixelPoint p) {
    return {p.x / halfWindow - 1, 1 - p.y / halfWindow};
}

float glFloat(double value) {
    if (std::abs(value) <= std::numeric_limits<float>::max())
        return static_cast<float>(value);
    return static_cast<float>(std::copysign(std::numeric_limits<double>::infinity(), value));
}

PixelPoint glWindowPixels(double x, double y) {
    const float half = static_cast<float>(halfWindow);
    return {std::fma(glFloat(x), half, half), std::fma(glFloat(y), -half, half)};
}

// Rounds a float position to the subpixel grid as the GL does: to the nearest
// step, halves away from zero, after adding the half in float. Values beyond
// any window are clamped rather than wrapped.
static int64_t snap(float position) {
    const float steps = static_cast<float>(subpixelsPerPixel) * position;
    const float rounded = steps >= 0 ? steps + 0.5f : steps - 0.5f;
    constexpr float limit = 4e18f;
    if (!(std::abs(rounded) < limit))
        return rounded < 0 ? -static_cast<int64_t>(limit) : static_cast<int64_t>(limit);
    return static_cast<int64_t>(rounded);
}

static bool nonNegative(float value) {
    return value >= 0;
}

static float fraction(float value) {
    return value - std::floor(value);
}

// The two ends of a line in the GL's float window coordinates.
struct FloatLine {
    float x1, y1; // the start
    float x2, y2; // the end
};

// The parallelogram of a line that runs at least as far across as down. The
// branches below follow the GL's own code step by step, with its float
// roundings and its asymmetries: a start on its pixel's diamond is drawn, an
// end is not, and one side of each diamond is open.
static std::array<SubpixelPoint, 4> acrossQuad(FloatLine l) {
    float dx = l.x1 - l.x2;
    const float dy = l.y1 - l.y2;
    const float slope = dy / dx;
    const float x1diff = l.x1 - std::floor(l.x1) - 0.5f;
    const float y1diff = l.y1 - std::floor(l.y1) - 0.5f;
    const float x2diff = l.x2 - std::floor(l.x2) - 0.5f;
    float y2diff = l.y2 - std::floor(l.y2) - 0.5f;
    if (y2diff == -0.5f && dy < 0)
        y2diff = 0.5f;

    bool drawStart;
    if (std::abs(x1diff) + std::abs(y1diff) < 0.5f)
        drawStart = true;
    else if (nonNegative(x1diff) == nonNegative(-dx))
        drawStart = false;
    else if (nonNegative(-y1diff) != nonNegative(dy))
        drawStart = true;
    else {
        const float crossing = fraction(l.y1) + x1diff * slope;
        drawStart = crossing < 1.0f && crossing > 0.0f;
    }
    bool drawEnd;
    if (std::abs(x2diff) + std::abs(y2diff) < 0.5f)
        drawEnd = false;
    else if (nonNegative(x2diff) != nonNegative(-dx))
        drawEnd = false;
    else if (nonNegative(-y2diff) == nonNegative(dy))
        drawEnd = true;
    else {
        const float crossing = fraction(l.y2) + x2diff * slope;
        drawEnd = crossing < 1.0f && crossing > 0.0f;
    }
    const bool drawsStart = nonNegative(-x1diff) != nonNegative(dx);
    const bool drawsEnd = nonNegative(x2diff) == nonNegative(-dx) || x2diff == 0;

    // The GL draws from right to left; the shifts move the ends by whole
    // subpixel amounts computed in float.
    float xShift = 0, yShift = 0, xShiftEnd = 0, yShiftEnd = 0;
    if (dx < 0) {
        std::swap(l.x1, l.x2);
        std::swap(l.y1, l.y2);
        dx = -dx;
        if (drawsStart != drawStart) {
            xShiftEnd = -x1diff - 0.5f;
            yShiftEnd = xShiftEnd * slope;
        }
        if (drawsEnd != drawEnd) {
            xShift = -x2diff - 0.5f;
            yShift = xShift * slope;
        }
    } else {
        if (drawsStart != drawStart) {
            xShift = -x1diff + 0.5f;
            yShift = xShift * slope;
        }
        if (drawsEnd != drawEnd) {
            xShiftEnd = -x2diff + 0.5f;
            yShiftEnd = xShiftEnd * slope;
        }
    }
    const int64_t half = subpixelsPerPixel * static_cast<int64_t>(lineWidthPixels) / 2;
    const int64_t x1 = snap(l.x1 + xShift - 0.5f), y1 = snap(l.y1 + yShift - 0.5f);
    const int64_t x2 = snap(l.x2 + xShiftEnd - 0.5f), y2 = snap(l.y2 + yShiftEnd - 0.5f);
    return {{{x1, y1 - half}, {x2, y2 - half}, {x2, y2 + half}, {x1, y1 + half}}};
}

// The parallelogram of a line that runs farther down than across; the same
// steps as acrossQuad with the axes' roles exchanged, as in the GL's code.
static std::array<SubpixelPoint, 4> downQuad(FloatLine l) {
    const float dx = l.x1 - l.x2;
    float dy = l.y1 - l.y2;
    const float slope = dx / dy;
    const float x1diff = l.x1 - std::floor(l.x1) - 0.5f;
    const float y1diff = l.y1 - std::floor(l.y1) - 0.5f;
    float x2diff = l.x2 - std::floor(l.x2) - 0.5f;
    const float y2diff = l.y2 - std::floor(l.y2) - 0.5f;
    if (x2diff == -0.5f && dx < 0)
        x2diff = 0.5f;

    bool drawStart;
    if (std::abs(x1diff) + std::abs(y1diff) < 0.5f)
        drawStart = true;
    else if (nonNegative(-y1diff) == nonNegative(dy))
        drawStart = false;
    else if (nonNegative(x1diff) != nonNegative(-dx))
        drawStart = true;
    else {
        const float crossing = fraction(l.x1) + y1diff * slope;
        drawStart = crossing < 1.0f && crossing > 0.0f;
    }
    bool drawEnd;
    if (std::abs(x2diff) + std::abs(y2diff) < 0.5f)
        drawEnd = false;
    else if (nonNegative(-y2diff) != nonNegative(dy))
        drawEnd = false;
    else if (nonNegative(x2diff) == nonNegative(-dx))
        drawEnd = true;
    else {
        const float crossing = fraction(l.x2) + y2diff * slope;
        drawEnd = crossing < 1.0f && crossing >= 0.0f;
    }
    const bool drawsStart = nonNegative(y1diff) == nonNegative(dy);
    const bool drawsEnd = nonNegative(-y2diff) == nonNegative(dy) || y2diff == 0;

    // The GL draws from top to bottom.
    float xShift = 0, yShift = 0, xShiftEnd = 0, yShiftEnd = 0;
    if (dy > 0) {
        std::swap(l.x1, l.x2);
        std::swap(l.y1, l.y2);
        dy = -dy;
        if (drawsStart != drawStart) {
            yShiftEnd = -y1diff + 0.5f;
            xShiftEnd = yShiftEnd * slope;
        }
        if (drawsEnd != drawEnd) {
            yShift = -y2diff + 0.5f;
            xShift = yShift * slope;
        }
    } else {
        if (drawsStart != drawStart) {
            yShift = -y1diff - 0.5f;
            xShift = yShift * slope;
        }
        if (drawsEnd != drawEnd) {
            yShiftEnd = -y2diff - 0.5f;
            xShiftEnd = yShiftEnd * slope;
        }
    }
    const int64_t half = subpixelsPerPixel * static_cast<int64_t>(lineWidthPixels) / 2;
    const int64_t x1 = snap(l.x1 + xShift - 0.5f), y1 = snap(l.y1 + yShift - 0.5f);
    const int64_t x2 = snap(l.x2 + xShiftEnd - 0.5f), y2 = snap(l.y2 + yShiftEnd - 0.5f);
    return {{{x1 - half, y1}, {x2 - half, y2}, {x2 + half, y2}, {x1 + half, y1}}};
}

std::array<SubpixelPoint, 4> wideLineQuad(PixelPoint a, PixelPoint b) {
    const FloatLine l{glFloat(a.x), glFloat(a.y), glFloat(b.x), glFloat(b.y)};
    const float dx = l.x1 - l.x2;
    const float dy = l.y1 - l.y2;
    // The GL culls a line by its squared length, which underflows to zero for
    // the very shortest.
    const float area = dx * dx + dy * dy;
    if (area == 0) {
        const SubpixelPoint start{snap(l.x1 - 0.5f), snap(l.y1 - 0.5f)};
        return {{start, start, start, start}};
    }
    // A line running at least as far across as down is widened vertically.
    return std::abs(dx) >= std::abs(dy) ? acrossQuad(l) : downQuad(l);
}

std::array<PixelPoint, 4> wideLineCorners(PixelPoint a, PixelPoint b) {
    std::array<PixelPoint, 4> corners{};
    const auto quad = wideLineQuad(a, b);
    constexpr double step = 1.0 / static_cast<double>(subpixelsPerPixel);
    for (size_t i = 0; i < quad.size(); ++i)
        corners[i] = {static_cast<double>(quad[i].x) * step + 0.5,
                      static_cast<double>(quad[i].y) * step + 0.5};
    return corners;
}

std::array<int64_t, 2> pointSquare(PixelPoint centre) {
    // The GL rounds the centre to the nearest pixel corner, a half across
    // rounding right and a half down rounding up, and fills the square around it.
    const int64_t column = (snap(glFloat(centre.x)) + subpixelsPerPixel / 2) >> 8;
    const int64_t row = (snap(glFloat(centre.y)) - 1 + subpixelsPerPixel / 2) >> 8;
    return {column - pointSizePixels / 2, row - pointSizePixels / 2};
}
