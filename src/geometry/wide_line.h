// The shapes OpenGL fills for the window's drawing, drawn without antialiasing:
// a point 4 pixels wide is a 4 x 4 block of pixels around the pixel corner
// nearest its position, and a line 2 pixels wide is a parallelogram that runs
// along the segment and is widened along its minor axis, not a rectangle at
// right angles to it; its ends are moved so that it starts and stops at the
// pixels a 1-pixel line would (the diamond-exit rule). The SVG export draws
// these shapes, and the window draws the lines as triangles wherever the GL
// itself cannot draw them 2 pixels wide.
//
// The GL computes in single precision and snaps corners to a grid of 1/256 of a
// pixel; the functions below do the same arithmetic in the same order, so their
// results are the GL's to the last bit.
#pragma once

#include "model/graph.h"

#include <array>
#include <cstdint>

// A position in window pixels: x from the left edge, y down from the top edge.
struct PixelPoint {
    double x; // pixels right of the window's left edge
    double y; // pixels below the window's top edge
};

// A position on the GL's subpixel grid, in 1/256 of a pixel, counted from the
// centre of the window's top left pixel (so pixel centres are multiples of 256).
struct SubpixelPoint {
    int64_t x; // subpixels right of the top left pixel's centre
    int64_t y; // subpixels below the top left pixel's centre
};

inline constexpr double lineWidthPixels = 2; // the width of every edge, in pixels
inline constexpr int pointSizePixels = 4;    // the side of every vertex's square, in pixels
inline constexpr int64_t subpixelsPerPixel = 256;

// Returns where the window shows the position (x, y) given in normalized device
// coordinates; the window is windowPixels square.
PixelPoint toWindowPixels(double x, double y);

// Returns the normalized device coordinates of the window pixel position p; the
// inverse of toWindowPixels.
std::array<double, 2> fromWindowPixels(PixelPoint p);

// Returns value as the GL takes a coordinate: rounded to float, and infinite
// beyond the floats' range.
float glFloat(double value);

// Returns where the GL puts the vertex (x, y) given in normalized device
// coordinates: both rounded to float, then scaled to the window in float with
// one rounding (a fused multiply-add, as the GL's vertex code does on any CPU
// that has one). The result is a pair of floats, close to toWindowPixels(x, y).
PixelPoint glWindowPixels(double x, double y);

// Returns the corners, in order around it, of the parallelogram the GL fills
// for a line of lineWidthPixels from a to b (window positions as floats, as
// glWindowPixels gives them): the segment moved half the width each way along
// its minor axis, each end moved along the segment by the diamond-exit rule,
// snapped to the subpixel grid. The order does not depend on which end comes
// first: for a line that runs across, from the right end's upper corner along
// the upper side and back along the lower one; for a line that runs down, from
// the upper end's left corner down the left side and back up the right one.
// The ends' adjustments do depend on it, as the start and the end follow
// different rules. A segment of zero length fills nothing; its four corners are
// then all at a.
std::array<SubpixelPoint, 4> wideLineQuad(PixelPoint a, PixelPoint b);

// Returns wideLineQuad(a, b) in window pixels.
std::array<PixelPoint, 4> wideLineCorners(PixelPoint a, PixelPoint b);

// Returns the column and row of the top left pixel of the pointSizePixels square
// of pixels the GL fills for a point at centre (a window position as a float,
// as glWindowPixels gives it): the square around the pixel corner nearest the
// centre.
std::array<int64_t, 2> pointSquare(PixelPoint centre);
