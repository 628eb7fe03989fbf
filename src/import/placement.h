// The geometry of placing an imported graph in the window: a drawing scaled
// into it, and vertices kept apart. Positions are window coordinates (-1 to 1).
#pragma once

#include "model/graph.h"

#include <vector>

// The share of the window the larger side of a scaled drawing spans.
inline constexpr double drawingSpan = 0.9;

// The least distance, in pixels, spreadApart leaves between two vertices: a
// vertex's size.
inline constexpr double vertexSpacing = 4;

// Scales the positions of the vertices marked in which uniformly, never
// distorting them, and centres them in the window so that the larger side of
// their bounding box spans drawingSpan of it. Vertices all at one point go to
// the centre. Positions must be finite; the others are not touched.
void fitToWindow(std::vector<Vertex>& list, const std::vector<bool>& which);

// Moves each vertex marked in movable, in order, as little as it can so that it
// is at least vertexSpacing pixels from every unmarked vertex and every marked
// one before it, and stays within the window with its whole square. A vertex
// that finds no free place within reach keeps its position.
void spreadApart(std::vector<Vertex>& list, const std::vector<bool>& movable);
