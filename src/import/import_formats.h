// ruvo-import's readers: a GraphML, GEXF, DOT or edge list file turned into the
// vertices and edges of a graph file, with whatever positions the file gives.
#pragma once

#include "io/file_system.h"
#include "io/graph_file.h"
#include "model/graph.h"

#include <string>
#include <vector>

enum class ImportFormat { graphml, gexf, dot, edgelist };

// Finds the format called name ("graphml", "gexf", "dot" or "edgelist"); returns
// false, leaving format unchanged, for any other name.
bool importFormatNamed(const std::string& name, ImportFormat& format);

// Finds the format a file name's extension stands for (".graphml", ".gexf",
// ".dot" or ".gv", ".edgelist" or ".edges", in any case); returns false, leaving
// format unchanged, for any other.
bool importFormatOfFileName(const std::string& fileName, ImportFormat& format);

// Where the positions of a file are measured.
enum class Frame {
    drawing, // the drawing's own units, y up: scaled into the window
    window,  // the window's coordinates, as ruvo-export writes them: kept exactly
};

// A graph as read from a file, before every vertex has its place in the window.
struct ImportedGraph {
    std::vector<Vertex> vertices;      // in the order the file first names them, each
                                       // edge at its source in file order
    std::vector<bool> placed;          // whether the file places vertex i; if not, its
                                       // x and y are 0
    Frame frame = Frame::drawing;      // how the placed positions are measured
    int32_t selectedVertex = -1;       // as ruvo-export wrote it; -1 for none
    int32_t selectedEdgeTarget = -1;   // as ruvo-export wrote it; -1 for none
    int32_t linkTarget = -1;           // as ruvo-export wrote it; -1 for none
    std::vector<std::string> warnings; // what was let pass but deserves a word, "line N: "
                                       // first where the line is known; none at first
};

// Reads text in format into graph, replacing what it held. Positions follow each
// format's writers (GraphML data x and y or yEd's node geometry, GEXF
// viz:position, DOT pos); a file written by ruvo-export is read in the window
// frame with its selection. Refuses malformed input, a coordinate that is not a
// finite number and what the graph file cannot hold. Returns the outcome; a
// refusal's reason starts with "line N: " where the line is known.
FileStatus readImport(const std::string& text, ImportFormat format, ImportedGraph& graph);

// Moves graph's vertices and selection into file, as they are; graph's vertices
// are left empty.
void moveIntoGraphFile(ImportedGraph& graph, GraphFile& file);
