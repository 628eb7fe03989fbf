// Every vertex of an imported graph given its place in the window: a given
// drawing kept and scaled, the vertices without a position laid out by
// Graphviz's layout engines.
#pragma once

#include "import/import_formats.h"

#include <string>
#include <vector>

// keep: given positions stay and only the rest is laid out; the others are
// Graphviz's engines, which lay out the whole graph afresh.
enum class LayoutEngine { keep, neato, fdp, sfdp, circo, twopi, dot };

// Finds the engine called name ("keep", "neato", "fdp", "sfdp", "circo", "twopi"
// or "dot"); returns false, leaving engine unchanged, for any other name.
bool layoutEngineNamed(const std::string& name, LayoutEngine& engine);

// Graphs of this many vertices and more are laid out by sfdp rather than neato,
// whose time and memory grow with the square of the vertex count.
inline constexpr size_t largeGraph = 500;

// Gives every vertex of graph its place in the window. With keep, a drawing in
// the window frame stays exactly as it is, another is scaled uniformly and
// centred to span 90 % of the window, and vertices without a position are laid
// out around the given ones, which are pinned (by neato below largeGraph
// vertices, by sfdp from there when none is given, by fdp when some are). With
// an engine, the whole graph is laid out afresh by it. A graph laid out with no
// position kept has its pieces brought to one edge length and packed side by
// side (packPieces) before it is scaled into the window. What is laid out ends up
// inside the window, its vertices at least vertexSpacing pixels apart where
// there is room (spreadApart); the same graph always gives the same places. Graphviz's
// warnings are added to graph.warnings. Returns the outcome; after a failure
// of Graphviz the positions are unspecified.
FileStatus placeGraph(ImportedGraph& graph, LayoutEngine engine);
