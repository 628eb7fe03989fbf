// The shapes the window fills for a graph, in its drawing order: each vertex's
// square, then (over them) each edge's parallelogram, with the colour each is drawn in. The
// SVG and PNG pictures are both drawn from these.
#pragma once

#include "export/pixel_runs.h"
#include "io/graph_file.h"

#include <array>
#include <cstdint>
#include <vector>

enum class ShapeColour { black, red, blue };

// Calls square(colour, corner) for each vertex whose square shows in the
// window, in file order; corner is the column and row of its top left pixel,
// which may lie outside the window.
template <typename OnSquare> void forEachSquare(const GraphFile& file, OnSquare square) {
    const std::vector<Vertex>& list = file.vertices;
    for (size_t i = 0; i < list.size(); ++i) {
        const std::array<int64_t, 2> corner = pointSquare(glWindowPixels(list[i].x, list[i].y));
        if (corner[0] <= -pointSizePixels || corner[0] >= windowPixels ||
            corner[1] <= -pointSizePixels || corner[1] >= windowPixels)
            continue;
        square(static_cast<int64_t>(i) == file.selectedVertex ? ShapeColour::red
                                                              : ShapeColour::black,
               corner);
    }
}

// Calls edge(colour, quad, pixels) for each edge that fills a pixel, in file
// order: quad is its parallelogram, pixels the window pixels quadPixels gives
// for it. Expects every entry of file to name one of its vertices.
template <typename OnEdge> void forEachEdge(const GraphFile& file, OnEdge edge) {
    const std::vector<Vertex>& list = file.vertices;
    for (size_t i = 0; i < list.size(); ++i) {
        const Vertex& source = list[i];
        const bool selected = static_cast<int64_t>(i) == file.selectedVertex;
        for (int32_t k : source.adjacency) {
            const Vertex& target = list[static_cast<size_t>(k)];
            const auto ends = windowSegment({source.x, source.y}, {target.x, target.y});
            if (!ends)
                continue;
            const std::array<SubpixelPoint, 4> quad = wideLineQuad((*ends)[0], (*ends)[1]);
            const std::vector<PixelRun> pixels = quadPixels(quad);
            if (pixels.empty())
                continue;
            edge(selected && k == file.selectedEdgeTarget ? ShapeColour::blue : ShapeColour::black,
                 quad, pixels);
        }
    }
}
