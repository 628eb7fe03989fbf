// The graph file's content in other formats: a picture of the window (SVG), a
// graph for Graphviz (DOT) and one for graph analysis tools (GraphML).
#pragma once

#include "io/graph_file.h"

#include <string>

enum class ExportFormat { svg, dot, graphml };

// Finds the format called name ("svg", "dot" or "graphml"); returns false, leaving
// format unchanged, for any other name.
bool formatNamed(const std::string& name, ExportFormat& format);

// Finds the format a file name's extension stands for (".svg", ".dot" or ".gv",
// ".graphml", in any case); returns false, leaving format unchanged, for any other.
bool formatOfFileName(const std::string& fileName, ExportFormat& format);

// Returns the 400 x 400 SVG picture of what the window shows for file: white
// background, 4 x 4 squares for the vertices, then 2-pixel segments for the
// entries, all in the window's order and colours, clipped at the window's edge.
// Expects every entry of file to name one of its vertices (see repairReferences).
std::string exportSvg(const GraphFile& file);

// Returns file as a Graphviz digraph: node i at its window position in points
// (400 x 400, y up, exact to the file's six decimals), one edge per entry in file
// order, the selection coloured and held whole in the graph attributes
// selectedVertex, selectedEdgeTarget and linkTarget. Expects every entry of file
// to name one of its vertices.
std::string exportDot(const GraphFile& file);

// Returns file as a directed GraphML graph: nodes n0, n1, ... with data x and y
// as in the graph file, edges e0, e1, ... in file order, and the three selection
// values as graph data. Expects every entry of file to name one of its vertices.
std::string exportGraphml(const GraphFile& file);

// Returns file in the given format.
std::string exportGraph(const GraphFile& file, ExportFormat format);
