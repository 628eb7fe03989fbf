// What the web page around the editor calls, by C names: the toolbar's tool, the
// file operations that have no key (Open, Download) and the facts its status line
// and its leave warning need. Keys and presses reach the editor through GLUT's
// own handlers (src/ui/input.h), as on the desktop.
#include "io/graph_file.h"
#include "model/graph.h"
#include "ui/input.h"
#include "ui/window.h"

#include <string>

extern "C" {

// Makes a primary press (a touch, a pen, a left press without Ctrl or Alt) act
// as button: GLUT_LEFT_BUTTON selects, GLUT_RIGHT_BUTTON adds, GLUT_MIDDLE_BUTTON joins.
void chooseTool(int button) {
    primaryButton = button;
}

// Loads the graph file at path, shown to the user as name, as L loads graph.ruv,
// and repaints; leaves graph.ruv alone. Returns 1 if it was loaded, 0 if refused.
int openGraph(const char* path, const char* name) {
    const bool loaded = loadGraphFrom(path, name);
    drawGraph();
    return loaded ? 1 : 0;
}

// Returns the graph on screen as S would write it; valid until the next call.
const char* graphOnScreen() {
    static std::string text; // the last text returned; empty before the first call
    text = formatGraph(vertices, selectedVertex, selectedEdgeTarget, linkTarget);
    return text.c_str();
}

// Returns 1 if the graph or the selection changed since the last S or L, else 0.
int hasUnsavedEdits() {
    return graphChanges != changesAtFile ? 1 : 0;
}

// Returns how many saves and loads of graph.ruv have succeeded.
double countFileSuccesses() {
    return static_cast<double>(fileSuccesses);
}

// Returns the number of vertices.
int countVertices() {
    return static_cast<int>(vertices.size());
}

// Returns the number of edges: every adjacency entry that names a vertex.
int countEdges() {
    int edges = 0;
    for (const Vertex& v : vertices)
        for (int32_t k : v.adjacency)
            edges += isVertex(k) ? 1 : 0;
    return edges;
}
}
