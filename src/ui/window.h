// The editor's one window and its picture of the graph.
#pragma once

#include <cstdint>

extern const int32_t windowWidth;  // the window's width in pixels, fixed at 400
extern const int32_t windowHeight; // the window's height in pixels, fixed at 400

// Repaints the whole graph from the model (selected vertex red, selected edge
// blue, the rest black on white) and presents the frame; needs a current GL context.
void drawGraph();
