// The readers of each format, which readImport dispatches to.
#pragma once

#include "import/graph_builder.h"

#include <string>

// Each reads text in its format into graph, which must be empty, as readImport
// describes; returns the outcome.
FileStatus readGraphml(const std::string& text, ImportedGraph& graph);
FileStatus readGexf(const std::string& text, ImportedGraph& graph);
FileStatus readDot(const std::string& text, ImportedGraph& graph);
FileStatus readEdgeList(const std::string& text, ImportedGraph& graph);
FileStatus readGml(const std::string& text, ImportedGraph& graph);
