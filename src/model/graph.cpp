#include "model/graph.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <string>

std::vector<Vertex> vertices;
int32_t selectedVertex = -1;
int32_t selectedEdgeTarget = -1;
int32_t linkTarget = -1;
uint64_t graphChanges = 0;

void writeTrace(std::string_view line) {
    // A failed stream stays failed, so its state is the record that the loss has
    // been reported: nothing more is written or said.
    if (!std::cout)
        return;
    std::cout << line << '\n' << std::flush;
    if (!std::cout)
        std::cerr << "ruvo: standard output is closed; the trace is no longer written\n";
}

// Writes the trace line "a b" for the edge from a to b.
static void tracePair(int32_t a, int32_t b) {
    writeTrace(std::to_string(a) + ' ' + std::to_string(b));
}

bool isVertex(int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < vertices.size();
}

void addVertex(double x, double y) {
    vertices.emplace_back(x, y);
    ++graphChanges;
}

int32_t findNearestVertex(double x, double y) {
    double best = 100.0;
    int32_t result = -1;
    const auto count = static_cast<int32_t>(vertices.size());
    for (int32_t i = 0; i < count; ++i) {
        const Vertex& v = vertices[static_cast<size_t>(i)];
        const double d = std::sqrt((y - v.y) * (y - v.y) + (x - v.x) * (x - v.x));
        if (d < best) {
            best = d;
            result = i;
        }
    }
    return result;
}

void selectNearestVertex(double x, double y) {
    const int32_t nearest = findNearestVertex(x, y);
    graphChanges += nearest != selectedVertex;
    selectedVertex = nearest;
}

void moveSelectedVertex(double x, double y) {
    if (!isVertex(selectedVertex))
        return;
    Vertex& v = vertices[static_cast<size_t>(selectedVertex)];
    v.x = x;
    v.y = y;
    ++graphChanges;
}

void linkOrSelectEdge(double x, double y) {
    if (!isVertex(selectedVertex))
        return;
    ++graphChanges;
    linkTarget = findNearestVertex(x, y);
    std::vector<int32_t>& adjacency = vertices[static_cast<size_t>(selectedVertex)].adjacency;
    bool listed = false;
    // A repeated entry (possible only from a file) writes its pair line once per copy.
    for (int32_t target : adjacency) {
        if (target == linkTarget) {
            selectedEdgeTarget = linkTarget;
            tracePair(selectedVertex, linkTarget);
            listed = true;
        }
    }
    if (!listed) {
        // A file can place every vertex beyond the search radius; then there is
        // no vertex to link to, and an entry of -1 would name none.
        if (linkTarget != -1)
            adjacency.push_back(linkTarget);
        selectedEdgeTarget = -1;
    }
    writeTrace("middle");
}

// Removes every edge to or from vertex k and the vertex itself in one pass over
// the list: every entry that named a later vertex is decremented so it still
// names the same vertex, and every later vertex moves down one place as it is passed.
static void deleteVertex(int32_t k) {
    const auto removed = static_cast<size_t>(k);
    for (size_t i = 0; i < vertices.size(); ++i) {
        std::vector<int32_t>& adjacency = vertices[i].adjacency;
        auto kept = adjacency.begin();
        for (int32_t target : adjacency) {
            if (target != k)
                *kept++ = target > k ? target - 1 : target;
        }
        adjacency.erase(kept, adjacency.end());
        if (i > removed)
            vertices[i - 1] = std::move(vertices[i]);
    }
    vertices.pop_back();
}

void deleteSelection() {
    if (!isVertex(selectedVertex))
        return;
    ++graphChanges;
    if (selectedEdgeTarget != -1) {
        std::vector<int32_t>& adjacency = vertices[static_cast<size_t>(selectedVertex)].adjacency;
        adjacency.erase(std::remove(adjacency.begin(), adjacency.end(), selectedEdgeTarget),
                        adjacency.end());
        tracePair(selectedVertex, selectedEdgeTarget);
    } else {
        deleteVertex(selectedVertex);
    }
    selectedEdgeTarget = -1;
    selectedVertex = -1;
}

void clearVertices() {
    vertices.clear();
}
