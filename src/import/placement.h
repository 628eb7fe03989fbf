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

// Returns the factor, at most 1, by which the vertices not marked in fixed would
// have to move towards the centre of those marked (their bounding box's, brought
// into the window) for every vertex to be inside the window, whole square and
// all; 1 when all are. Positions must be finite, and some vertex marked.
double shrinkIntoWindow(const std::vector<Vertex>& list, const std::vector<bool>& fixed);

// Moves the vertices marked in movable into the window, their whole square
// inside it, and apart: at least vertexSpacing pixels from every other vertex.
// Crowded parts are pushed apart, keeping their shape; what is still too close
// then moves, in order, to the nearest free place on a lattice as wide as the
// spacing. Returns the number of vertices that found none and stay too close.
// When the window cannot hold all of list that far apart, nothing is tried or
// moved, and every movable vertex is counted.
size_t spreadApart(std::vector<Vertex>& list, const std::vector<bool>& movable);
