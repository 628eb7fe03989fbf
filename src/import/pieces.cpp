#include "import/pieces.h"

#include <pack.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <numeric>

namespace {

// The length the common edge length becomes for the packing, in points: the
// packing places boxes on a grid of whole points.
constexpr double edgePoints = 72;

// Returns the root of i's set in parent, halving the path to it on the way.
int32_t rootOf(std::vector<int32_t>& parent, int32_t i) {
    while (parent[static_cast<size_t>(i)] != i) {
        const int32_t up = parent[static_cast<size_t>(parent[static_cast<size_t>(i)])];
        parent[static_cast<size_t>(i)] = up;
        i = up;
    }
    return i;
}

double edgeLength(const Vertex& from, const Vertex& to) {
    return std::hypot(to.x - from.x, to.y - from.y);
}

// Returns the median length of each piece's edges, loops left out; 0 for a
// piece with none.
std::vector<double> medianEdgeLengths(const std::vector<Vertex>& list,
                                      const std::vector<int32_t>& piece, size_t count) {
    // The lengths sorted by piece in one array: piece p's from start[p].
    std::vector<size_t> start(count + 1);
    for (size_t i = 0; i < list.size(); ++i) {
        for (const int32_t k : list[i].adjacency)
            start[static_cast<size_t>(piece[i]) + 1] += static_cast<size_t>(k) != i;
    }
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<double> lengths(start.back());
    std::vector<size_t> next(start.begin(), start.end() - 1);
    for (size_t i = 0; i < list.size(); ++i) {
        for (const int32_t k : list[i].adjacency) {
            if (static_cast<size_t>(k) != i)
                lengths[next[static_cast<size_t>(piece[i])]++] =
                    edgeLength(list[i], list[static_cast<size_t>(k)]);
        }
    }
    std::vector<double> median(count);
    for (size_t p = 0; p < count; ++p) {
        if (start[p] == start[p + 1])
            continue;
        const auto first = lengths.begin() + static_cast<std::ptrdiff_t>(start[p]);
        const auto last = lengths.begin() + static_cast<std::ptrdiff_t>(start[p + 1]);
        const auto middle = first + (last - first) / 2;
        std::nth_element(first, middle, last);
        median[p] = *middle;
    }
    return median;
}

// Returns the factor that brings each piece to the common edge length of
// edgePoints: the median of the piece with the most vertices, or failing that
// the longest median; pieces without edges of any length take the common one's.
std::vector<double> scaleOfPieces(const std::vector<Vertex>& list,
                                  const std::vector<int32_t>& piece, size_t count) {
    const std::vector<double> median = medianEdgeLengths(list, piece, count);
    std::vector<size_t> sizes(count);
    for (const int32_t p : piece)
        ++sizes[static_cast<size_t>(p)];
    const auto largest =
        static_cast<size_t>(std::max_element(sizes.begin(), sizes.end()) - sizes.begin());
    double common = median[largest];
    if (!(common > 0))
        common = *std::max_element(median.begin(), median.end());
    std::vector<double> scale(count);
    for (size_t p = 0; p < count; ++p) {
        const double length = median[p] > 0 ? median[p] : common;
        scale[p] = length > 0 ? edgePoints / length : 1;
    }
    return scale;
}

struct FreeC {
    void operator()(point* places) const { std::free(places); }
};

} // namespace

size_t findPieces(const std::vector<Vertex>& list, std::vector<int32_t>& piece) {
    std::vector<int32_t> parent(list.size());
    for (size_t i = 0; i < list.size(); ++i)
        parent[i] = static_cast<int32_t>(i);
    for (size_t i = 0; i < list.size(); ++i) {
        for (const int32_t k : list[i].adjacency) {
            const int32_t a = rootOf(parent, static_cast<int32_t>(i));
            const int32_t b = rootOf(parent, k);
            // The lower root stays, so each piece's root is its first vertex.
            parent[static_cast<size_t>(std::max(a, b))] = std::min(a, b);
        }
    }
    piece.assign(list.size(), -1);
    size_t count = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        const auto root = static_cast<size_t>(rootOf(parent, static_cast<int32_t>(i)));
        if (piece[root] < 0)
            piece[root] = static_cast<int32_t>(count++);
        piece[i] = piece[root];
    }
    return count;
}

void packPieces(std::vector<Vertex>& list) {
    std::vector<int32_t> piece;
    const size_t count = findPieces(list, piece);
    if (count < 2)
        return;
    const std::vector<double> scale = scaleOfPieces(list, piece, count);
    constexpr double infinity = std::numeric_limits<double>::infinity();
    std::vector<boxf> boxes(count, boxf{{infinity, infinity}, {-infinity, -infinity}});
    for (size_t i = 0; i < list.size(); ++i) {
        const auto p = static_cast<size_t>(piece[i]);
        Vertex& v = list[i];
        v.x *= scale[p];
        v.y *= scale[p];
        boxes[p].LL.x = std::min(boxes[p].LL.x, v.x);
        boxes[p].LL.y = std::min(boxes[p].LL.y, v.y);
        boxes[p].UR.x = std::max(boxes[p].UR.x, v.x);
        boxes[p].UR.y = std::max(boxes[p].UR.y, v.y);
    }
    pack_info info{};
    info.mode = l_graph;
    // Half an edge between the boxes of two pieces.
    info.margin = static_cast<unsigned>(edgePoints / 4);
    const std::unique_ptr<point, FreeC> places(
        putRects(static_cast<int>(count), boxes.data(), &info));
    if (places == nullptr)
        return;
    for (size_t i = 0; i < list.size(); ++i) {
        const point& shift = places.get()[static_cast<size_t>(piece[i])];
        list[i].x += shift.x;
        list[i].y += shift.y;
    }
}
