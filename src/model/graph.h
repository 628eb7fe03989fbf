// The one graph the editor works on: its vertices, their edges and the selection.
//
// Positions are in normalized device coordinates: x from -1 (left edge of the
// window) to +1 (right edge), y from -1 (bottom) to +1 (top). An edge k in the
// adjacency of vertex i runs from i to k and is stored only at i.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// The window's side, both ways, in pixels: the 2 units of each coordinate span it.
inline constexpr int64_t windowPixels = 400;

struct Vertex {
    double x;                       // horizontal position
    double y;                       // vertical position
    std::vector<int32_t> adjacency; // targets of this vertex's edges, in the order added

    Vertex(double px, double py) : x(px), y(py) {}
};

extern std::vector<Vertex> vertices; // every vertex in creation order; index = vertex number
extern int32_t selectedVertex;       // the selected vertex, -1 for none
extern int32_t selectedEdgeTarget;   // with selectedVertex, the selected edge's target; -1 for none
extern int32_t linkTarget;           // vertex nearest the last middle press, -1 for none
extern uint64_t graphChanges;        // edits that changed the graph or selection; 0 at start

// Tells whether index names a vertex in the list; -1 and stale values do not.
bool isVertex(int32_t index);

// Appends a new vertex at (x, y) with no edges; the selection is unchanged.
void addVertex(double x, double y);

// Returns the index of the vertex nearest to (x, y), the lowest index on a tie,
// or -1 when no vertex lies within 100 units (in practice: the list is empty).
int32_t findNearestVertex(double x, double y);

// Makes the vertex nearest to (x, y) the selected vertex (-1 if there is none);
// the selected edge target and the link target are unchanged.
void selectNearestVertex(double x, double y);

// Moves the selected vertex to (x, y); does nothing when no vertex is selected.
void moveSelectedVertex(double x, double y);

// The middle-press edit: with a vertex selected, finds the vertex nearest to
// (x, y) and either selects the edge to it (one pair line per matching entry)
// or adds that edge (nothing, when no vertex is within reach), then writes
// "middle". Does nothing when nothing is selected.
void linkOrSelectEdge(double x, double y);

// Deletes the selected edge (writing its pair line), or else the selected vertex
// with every edge to or from it, renumbering later vertices so every remaining
// edge keeps its endpoints. Clears the selection; does nothing when nothing is
// selected. The link target is never changed.
void deleteSelection();

// Empties the vertex list; the selection values are unchanged.
void clearVertices();

// Writes line and a newline to standard output as one trace line, and flushes it.
// Once standard output has failed (its reader has gone), says so once on standard
// error and drops the rest of the trace; the editor goes on without it.
void writeTrace(std::string_view line);
