// The connected pieces of a graph laid out from scratch, brought to one scale
// and packed side by side by Graphviz's pack library.
#pragma once

#include "model/graph.h"

#include <vector>

// Numbers the connected pieces of the graph in list, edges taken either way:
// piece[i] becomes the number of vertex i's piece, from 0 in the order of each
// piece's first vertex. Returns the number of pieces.
size_t findPieces(const std::vector<Vertex>& list, std::vector<int32_t>& piece);

// Scales each piece of the graph in list (each kept in shape) so that the median
// length of its edges is that of the piece with the most vertices, then packs the
// pieces close together without overlapping, as Graphviz's packmode=graph does.
// A single piece is left as it is. Positions must be finite; they end up in
// units of their own, to be fitted into the window.
void packPieces(std::vector<Vertex>& list);
