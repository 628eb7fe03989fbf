// The graph file's content in other formats: a picture of the window (SVG, and
// its pixels as PNG), a graph for Graphviz (DOT), one for graph analysis tools
// (GraphML) and a picture for LaTeX documents (TikZ).
#pragma once

#include "io/graph_file.h"

#include <string>

enum class ExportFormat { svg, png, dot, graphml, tikz };

// The largest --scale of a PNG picture: each window pixel a block this wide.
inline constexpr int maximumPngScale = 16;

// Finds the format called name ("svg", "png", "dot", "graphml" or "tikz"); returns false,
// leaving format unchanged, for any other name.
bool formatNamed(const std::string& name, ExportFormat& format);

// Finds the format a file name's extension stands for (".svg", ".png", ".dot" or ".gv",
// ".graphml", ".tikz" or ".tex", in any case); returns false, leaving format
// unchanged, for any other.
bool formatOfFileName(const std::string& fileName, ExportFormat& format);

// Returns the 400 x 400 SVG picture of what the window shows for file: white
// background, the vertices' squares, then the edges' parallelograms, all in the
// window's order and colours. Rendered by librsvg with crisp edges it gives the
// window's pixels exactly, edges clipped at the window's edge included.
// Expects every entry of file to name one of its vertices (see repairReferences).
std::string exportSvg(const GraphFile& file);

// Returns the PNG file of the window's 400 x 400 pixels for file, exactly as the
// window shows them (the pixels the SVG picture renders as), each pixel a scale x
// scale block (1 to maximumPngScale): 8-bit RGB, compressed the same way on every
// build, with no time or other chunk that would make two exports differ.
// Returns "" when libpng fails (for want of memory). Expects every entry of file
// to name one of its vertices.
std::string exportPng(const GraphFile& file, int scale);

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

// Returns file as one TikZ picture for a LaTeX document that loads the tikz
// package alone: the window as an 8 cm square clipped at its edge (a unit of the
// graph file is 4 cm, a pixel 0.2 mm), a node v0, v1, ... per vertex at its
// position, then one \draw per entry in file order, with four styles at the top
// (vertex, selected vertex, edge, selected edge) for the window's look. Expects
// every entry of file to name one of its vertices.
std::string exportTikz(const GraphFile& file);

// Returns a LaTeX document whose only page is picture (a tikzpicture), at the
// picture's size, for pdflatex.
std::string standaloneDocument(const std::string& picture);

// Returns file in the given format; scale is the PNG picture's (see exportPng).
std::string exportGraph(const GraphFile& file, ExportFormat format, int scale);
