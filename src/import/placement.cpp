#include "import/placement.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

// The window's 2 units span 400 pixels.
static constexpr double pixel = 2.0 / 400;
static constexpr double pi = 3.14159265358979323846;

void fitToWindow(std::vector<Vertex>& list, const std::vector<bool>& which) {
    constexpr double infinity = std::numeric_limits<double>::infinity();
    double low[2] = {infinity, infinity};
    double high[2] = {-infinity, -infinity};
    for (size_t i = 0; i < list.size(); ++i) {
        if (!which[i])
            continue;
        const double position[2] = {list[i].x, list[i].y};
        for (size_t axis = 0; axis < 2; ++axis) {
            low[axis] = std::min(low[axis], position[axis]);
            high[axis] = std::max(high[axis], position[axis]);
        }
    }
    // Halving before subtracting keeps every difference finite for any finite
    // positions: half[] is half the box's side, and every position is within
    // half[] of centre[].
    const double half[2] = {high[0] / 2 - low[0] / 2, high[1] / 2 - low[1] / 2};
    const double centre[2] = {low[0] / 2 + high[0] / 2, low[1] / 2 + high[1] / 2};
    const double largest = std::max(half[0], half[1]);
    for (size_t i = 0; i < list.size(); ++i) {
        if (!which[i])
            continue;
        Vertex& v = list[i];
        if (!(largest > 0)) {
            v.x = v.y = 0;
            continue;
        }
        v.x = (v.x / 2 - centre[0] / 2) / largest * 2 * drawingSpan;
        v.y = (v.y / 2 - centre[1] / 2) / largest * 2 * drawingSpan;
    }
}

namespace {

// The vertices placed so far, sorted into square cells as wide as the spacing,
// so that a place is checked against the few vertices of nine cells.
class PlacedVertices {
  public:
    // reach: how far from the centre a vertex may be placed.
    PlacedVertices(const std::vector<Vertex>& all, double spacingUnits, double reach)
        : placedList(all), spacing(spacingUnits), limit(reach),
          side(static_cast<int64_t>(std::ceil(2 * reach / spacingUnits)) + 1),
          cells(static_cast<size_t>(side * side)) {}

    // Tells whether (x, y) is at least the spacing from every vertex added.
    bool isFree(double x, double y) const {
        const int64_t column = cellOf(x);
        const int64_t row = cellOf(y);
        for (int64_t r = std::max<int64_t>(row - 1, 0); r <= std::min(row + 1, side - 1); ++r) {
            for (int64_t c = std::max<int64_t>(column - 1, 0); c <= std::min(column + 1, side - 1);
                 ++c) {
                for (const int32_t other : cells[static_cast<size_t>(r * side + c)]) {
                    const Vertex& v = placedList[static_cast<size_t>(other)];
                    const double dx = v.x - x;
                    const double dy = v.y - y;
                    if (dx * dx + dy * dy < spacing * spacing)
                        return false;
                }
            }
        }
        return true;
    }

    // Adds vertex i at its position, which must be within reach.
    void add(int32_t i) {
        const Vertex& v = placedList[static_cast<size_t>(i)];
        cells[static_cast<size_t>(cellOf(v.y) * side + cellOf(v.x))].push_back(i);
    }

    // Adds vertex i if it lies close enough to the reach to matter.
    void addIfNear(int32_t i) {
        const Vertex& v = placedList[static_cast<size_t>(i)];
        if (std::fabs(v.x) <= limit + spacing && std::fabs(v.y) <= limit + spacing)
            add(i);
    }

  private:
    int64_t cellOf(double coordinate) const {
        const double clamped = std::clamp(coordinate, -limit, limit);
        return static_cast<int64_t>((clamped + limit) / spacing);
    }

    const std::vector<Vertex>& placedList;   // every vertex, placed or not
    double spacing;                          // least distance between two vertices, in window units
    double limit;                            // largest coordinate of a place
    int64_t side;                            // cells along each side
    std::vector<std::vector<int32_t>> cells; // the vertices added, by cell, row by row
};

} // namespace

void spreadApart(std::vector<Vertex>& list, const std::vector<bool>& movable) {
    // A little more than the spacing, so that rounding to six decimals in the
    // graph file cannot bring two vertices closer than it.
    const double spacing = vertexSpacing * pixel + 4e-6;
    // The whole square of a vertex, two pixels to each side, stays in the window.
    const double limit = 1 - 2 * pixel;
    // How far a vertex may move: beyond it, the window is too crowded to help.
    const double reach = 40 * pixel;
    PlacedVertices placed(list, spacing, limit);
    for (size_t i = 0; i < list.size(); ++i) {
        if (!movable[i])
            placed.addIfNear(static_cast<int32_t>(i));
    }
    for (size_t i = 0; i < list.size(); ++i) {
        if (!movable[i])
            continue;
        Vertex& v = list[i];
        const double x = std::clamp(v.x, -limit, limit);
        const double y = std::clamp(v.y, -limit, limit);
        v.x = x;
        v.y = y;
        // Rings of places around the vertex, one pixel apart, each sampled about
        // every pixel, nearest ring first.
        for (double radius = pixel; !placed.isFree(v.x, v.y) && radius <= reach; radius += pixel) {
            const int samples = static_cast<int>(std::ceil(2 * pi * radius / pixel));
            for (int k = 0; k < samples; ++k) {
                const double angle = 2 * pi * k / samples;
                const double px = x + radius * std::cos(angle);
                const double py = y + radius * std::sin(angle);
                if (std::fabs(px) <= limit && std::fabs(py) <= limit && placed.isFree(px, py)) {
                    v.x = px;
                    v.y = py;
                    break;
                }
            }
        }
        if (!placed.isFree(v.x, v.y)) {
            v.x = x;
            v.y = y;
        }
        placed.add(static_cast<int32_t>(i));
    }
}
