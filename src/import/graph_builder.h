// The graph a reader builds, and what every reader shares to build it: vertices
// by name, numbers read as the graph file reads them, names quoted for messages.
#pragma once

#include "io/file_system.h"
#include "io/graph_file.h"
#include "model/graph.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// Moves graph's vertices and selection into file, as they are; graph's vertices
// are left empty.
void moveIntoGraphFile(ImportedGraph& graph, GraphFile& file);

// The vertices and edges of a graph as a reader meets them: vertices by name,
// numbered in the order first named, and edges in file order.
class GraphBuilder {
  public:
    explicit GraphBuilder(ImportedGraph& into) : graph(into) {}

    // Returns the number of the vertex called name, adding it to the graph
    // (unplaced, without edges) when it is new; -1 when the graph file could hold
    // no more vertices.
    int32_t vertexNamed(std::string_view name);

    // Adds the edge from vertex source to vertex target after those added before.
    void addEdge(int32_t source, int32_t target) { edges.emplace_back(source, target); }

    // Stores the edges added so far at their sources, in the order added.
    void storeEdges();

  private:
    // Returns n when name is the prefix followed by n in decimal (without leading
    // zeros), -1 otherwise.
    int64_t numberIn(std::string_view name) const;
    // Adds a new vertex called name; returns its number, -1 when there is no room.
    int32_t addVertex(std::string_view name);
    // Gives up numbered names: every vertex so far gets its name in the table.
    void nameEveryVertex();
    // Keeps a copy of name that lives as long as this object.
    std::string_view keep(std::string_view name);
    // Makes the table of slots larger, placing every name again.
    void grow();
    // Puts the name of vertex number in the table.
    void place(int32_t number);
    // Returns the first slot to try for a name with the given hash.
    size_t slotOf(uint64_t hash) const { return static_cast<size_t>(hash) & (slots.size() - 1); }

    ImportedGraph& graph;
    // Files often name vertices by their numbers: ruvo-export "n0", "n1", ...,
    // NetworkX "0", "1", ... for numbered nodes. While every vertex is named by a
    // prefix and its own number, names need no table at all.
    bool numbered = true; // whether every vertex so far is named prefix + its number
    std::string prefix;   // what comes before the numbers; set by the first name
    // An open-addressing table, which finds a name in one or two memory reads
    // where a std::unordered_map takes several: per slot the high half of the
    // name's hash and the vertex number + 1, 0 for an empty slot.
    std::vector<uint64_t> slots;
    std::vector<std::string_view> names;            // the name of each vertex, by number
    std::vector<std::pair<int32_t, int32_t>> edges; // each edge's source and target, in order
    std::vector<std::unique_ptr<char[]>> blocks;    // storage of the names; none at first
    char* blockAt = nullptr; // the free part of the last block; none at first
    size_t blockFree = 0;    // bytes left in the last block
};

// The message for a graph with more vertices than the graph file can number.
inline const char* const tooManyVertices = "more vertices than a graph file can hold";

// Reads a number as strtod would (leading and trailing whitespace allowed) into
// value. Returns false when text is not a number; an out-of-range one reads as
// infinite.
bool readNumber(std::string_view text, double& value);

// Reads a vertex number (a decimal integer within 32 bits, whitespace around it
// allowed) into value; returns false for anything else.
bool readVertexNumber(std::string_view text, int32_t& value);

// Returns text shortened and made printable, in double quotes, for a message.
std::string quote(std::string_view text);

// Returns the warning for a file that holds leftOut more graphs after the first,
// which alone is read.
std::string firstGraphOnly(int leftOut);
