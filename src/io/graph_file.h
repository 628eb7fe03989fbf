// The graph file: the selection and the whole graph as text in "graph.ruv" in the
// current directory. Lines, in order: selectedVertex, selectedEdgeTarget,
// linkTarget, the vertex count N, then for each vertex "x y M" (six decimals)
// followed by its M adjacency entries, one per line.
#pragma once

#include "io/file_system.h"
#include "model/graph.h"

#include <string>
#include <vector>

extern const char* const graphFileName; // "graph.ruv", relative to the working directory
extern uint64_t changesAtFile; // graphChanges at the last S or L that succeeded; 0 at start
extern uint64_t fileSuccesses; // saves and loads of graphFileName that succeeded; 0 at start

// What a graph file holds once read and checked, before it replaces the model.
struct GraphFile {
    int32_t selectedVertex = -1;     // as read; -1 for none
    int32_t selectedEdgeTarget = -1; // as read; -1 for none
    int32_t linkTarget = -1;         // as read; -1 for none
    std::vector<Vertex> vertices;    // in file order, entries as read
    std::string echo;                // the trace lines a load writes, each ending in '\n'
};

// Returns the file text for the given vertex list and selection values.
std::string formatGraph(const std::vector<Vertex>& list, int32_t vertex, int32_t edgeTarget,
                        int32_t link);

// Parses text in the file's format into file. Accepts any whitespace between the
// numbers and refuses a short file, a non-number, an integer outside 32 bits, a
// coordinate that is not finite and anything but whitespace after the last entry.
// Returns the outcome; a refusal's reason starts with "line N: ".
FileStatus parseGraph(const std::string& text, GraphFile& file);

// Drops adjacency entries that name no vertex of file and clears a selected
// vertex or edge target that names none; the link target is kept as read.
// Returns what was repaired, "" when nothing was.
std::string repairReferences(GraphFile& file);

// Parses text read from the input called name into file and repairs references to
// missing vertices. A malformed text is reported on standard error as
// "PROGRAM: NAME not loaded: line N: why", a repair as "PROGRAM: NAME repaired:
// what", where PROGRAM is program. Returns whether the text was accepted.
bool checkGraphText(const std::string& text, const char* name, GraphFile& file,
                    const char* program = "ruvo");

// Reads the file at path and checks it as checkGraphText does, naming it by path;
// a file that cannot be read is reported the same way. Returns whether it was read.
bool readGraphFile(const char* path, GraphFile& file, const char* program = "ruvo");

// Writes the current graph and selection to graphFileName, replacing the old file
// only once the new one is complete. On failure the old file is untouched and one
// line on standard error says why. Returns whether the graph was saved.
bool saveGraph();

// Replaces the graph and selection with the content of graphFileName, echoing
// each vertex line and entry read. A file that cannot be read or is malformed
// changes nothing and is reported on standard error; references to missing
// vertices are repaired with a warning. Returns whether the file was loaded.
bool loadGraph();

// Replaces the graph and selection with the graph file at path, as loadGraph does
// with graphFileName, which it leaves alone; messages call the file name. The
// result counts as unsaved. Returns whether the file was loaded.
bool loadGraphFrom(const char* path, const char* name);
