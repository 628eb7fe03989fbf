// The readers of each format behind readImport, and the pieces they share.
#pragma once

#include "import/import_formats.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

FileStatus readGraphml(const std::string& text, ImportedGraph& graph);
FileStatus readGexf(const std::string& text, ImportedGraph& graph);
FileStatus readDot(const std::string& text, ImportedGraph& graph);
FileStatus readEdgeList(const std::string& text, ImportedGraph& graph);

// The vertices a reader has met, by name, numbered in the order first named.
class VertexNames {
  public:
    explicit VertexNames(ImportedGraph& into) : graph(into) {}

    // Returns the number of the vertex called name, adding it to the graph
    // (unplaced, without edges) when it is new; -1 when the graph file could hold
    // no more vertices.
    int32_t vertexNamed(std::string_view name);

  private:
    // Keeps a copy of name that lives as long as this object.
    std::string_view keep(std::string_view name);

    ImportedGraph& graph;
    std::unordered_map<std::string_view, int32_t> numbers; // vertex number by name; empty at first
    std::vector<std::unique_ptr<char[]>> blocks;           // storage of the names; none at first
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
