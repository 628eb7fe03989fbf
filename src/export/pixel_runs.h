// Which window pixels a shape paints, on each side of the SVG export: the
// window's GL (its clipping of edges and its rule for the pixels a line's
// parallelogram covers) and librsvg (cairo's scan conversion with crisp edges,
// for a path in 24.8 fixed point). The SVG writer draws each edge so that the
// second equals the first.
#pragma once

#include "geometry/wide_line.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// Returns dividend / divisor rounded towards minus infinity; divisor is positive.
inline int64_t floorDivide(int64_t dividend, int64_t divisor) {
    const int64_t quotient = dividend / divisor;
    return quotient * divisor > dividend ? quotient - 1 : quotient;
}

// Columns first to end - 1 of one row of pixels.
struct PixelRun {
    int64_t row;   // counted down from the top row, 0
    int64_t first; // the leftmost column, counted from 0
    int64_t end;   // one past the rightmost column
    bool operator==(const PixelRun& other) const {
        return row == other.row && first == other.first && end == other.end;
    }
};

// Returns where the window's GL draws the segment between the vertices at a and
// b (normalized device coordinates), as the float window positions of its ends
// once clipped; nothing when it draws no part of it. Beyond about 10^8 units
// the GL's float clipping loses the segment; the segment is then clipped
// exactly, so that what a window could show of it is drawn.
std::optional<std::array<PixelPoint, 2>> windowSegment(std::array<double, 2> a,
                                                       std::array<double, 2> b);

// Clips segment a-b (normalized device coordinates) exactly to the square
// within reach of the window's centre along both axes; returns false, with a
// and b unspecified, when the segment misses the square.
bool clipToSquare(std::array<double, 2>& a, std::array<double, 2>& b, double reach);

// Returns the runs of window pixels the GL fills for quad (corners as
// wideLineQuad gives them), top row first, each row's run once.
std::vector<PixelRun> quadPixels(const std::array<SubpixelPoint, 4>& quad);

// A point of an SVG path in cairo's fixed point: 1/256 of a pixel, from the
// picture's top left corner.
struct FixedPoint {
    int64_t x; // right of the left edge
    int64_t y; // down from the top edge
};

// Returns the runs of picture pixels librsvg paints, with crisp edges and the
// nonzero rule, for a path of the given closed polygons, top row first, left to
// right. Expects the path to lie within the picture (cairo would cut it
// otherwise) and not to be rectilinear (cairo fills a path of only horizontal
// and vertical lines by another rule). Cairo samples each row a subpixel above
// the pixels' centres and a subpixel right of them, rounds each edge's
// crossing down to a subpixel, and fills a gap of one pixel between two spans
// of the same path.
std::vector<PixelRun> crispPathPixels(const std::vector<std::vector<FixedPoint>>& polygons);
