// The editor's one window and its picture of the graph.
#pragma once

#include <cstdint>

extern const int32_t windowWidth;  // the window's width in pixels: windowPixels
extern const int32_t windowHeight; // the window's height in pixels: windowPixels

// Asks the current GL how wide it draws lines and settles how drawGraph draws
// edges: as the GL's own 2-pixel lines, or, where it has none that wide, as two
// triangles covering the same pixels. Call once the window exists.
void chooseEdgeDrawing();

// Tells the page around the web build how edges are drawn: 1 as triangles, 0 as
// GL lines. C linkage gives it a name the page can call.
extern "C" int edgesDrawnAsTriangles();

// Repaints the whole graph from the model (selected vertex red, selected edge
// blue, the rest black on white) and presents the frame; needs a current GL context.
void drawGraph();
