// ruvo-import's readers: a GraphML, GEXF, GML, DOT or edge list file turned into the
// vertices and edges of a graph file, with whatever positions the file gives.
#pragma once

#include "import/graph_builder.h"

#include <string>
#include <string_view>

enum class ImportFormat { graphml, gexf, gml, dot, edgelist };

// Finds the format called name ("graphml", "gexf", "gml", "dot" or "edgelist"); returns
// false, leaving format unchanged, for any other name.
bool importFormatNamed(const std::string& name, ImportFormat& format);

// Finds the format a file name's extension stands for (".graphml", ".gexf",
// ".gml", ".dot" or ".gv", ".edgelist" or ".edges", in any case, with or without a
// further ".gz"; yEd's ".graphmlz" is GraphML); returns false, leaving format
// unchanged, for any other.
bool importFormatOfFileName(const std::string& fileName, ImportFormat& format);

// Finds the format the beginning of text plainly says: a GraphML or GEXF root
// element, GML's "graph [" after its other keys, DOT's "strict", "graph" or
// "digraph" opening a graph. Returns false, leaving format unchanged, when it
// says none of them (an edge list says nothing).
bool importFormatOfText(std::string_view text, ImportFormat& format);

// Reads text in format into graph, replacing what it held. Positions follow each
// format's writers (GraphML data x and y or yEd's node geometry, GEXF
// viz:position, GML graphics x and y, DOT pos); a file written by ruvo-export is read in the window
// frame with its selection. Refuses malformed input, a coordinate that is not a
// finite number and what the graph file cannot hold. Returns the outcome; a
// refusal's reason starts with "line N: " where the line is known.
FileStatus readImport(const std::string& text, ImportFormat format, ImportedGraph& graph);
