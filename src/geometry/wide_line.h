// The shape OpenGL fills for a line two pixels wide, drawn without antialiasing:
// a parallelogram that runs along the segment and is widened along its minor
// axis, not a rectangle at right angles to it. The SVG export draws it, and so
// does the window wherever the GL itself cannot draw wide lines.
#pragma once

#include <array>

// A position in window pixels: x from the left edge, y down from the top edge.
struct PixelPoint {
    double x; // pixels right of the window's left edge
    double y; // pixels below the window's top edge
};

inline constexpr double lineWidthPixels = 2; // the width of every edge, in pixels

// Returns where the window shows the position (x, y) given in normalized device
// coordinates; the window is 400 x 400 pixels.
PixelPoint toWindowPixels(double x, double y);

// Returns the normalized device coordinates of the window pixel position p; the
// inverse of toWindowPixels.
std::array<double, 2> fromWindowPixels(PixelPoint p);

// Tells whether segment a-b runs at least as far across as down, so that GL
// widens it vertically rather than horizontally.
bool runsAcross(PixelPoint a, PixelPoint b);

// Returns the corners, in order around it, of the parallelogram a line of
// lineWidthPixels from a to b fills: the segment moved half the width each way
// along its minor axis. The order is the same whichever end comes first.
std::array<PixelPoint, 4> wideLineCorners(PixelPoint a, PixelPoint b);
