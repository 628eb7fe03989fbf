#include "import/placement.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

// A pixel in window units.
static constexpr double pixel = 2.0 / windowPixels;

// The bounding box of the vertices marked in which: its lowest coordinates in
// low, its highest in high; infinities the wrong way round when none is marked.
static void boundingBox(const std::vector<Vertex>& list, const std::vector<bool>& which,
                        double low[2], double high[2]) {
    constexpr double infinity = std::numeric_limits<double>::infinity();
    low[0] = low[1] = infinity;
    high[0] = high[1] = -infinity;
    for (size_t i = 0; i < list.size(); ++i) {
        if (!which[i])
            continue;
        const double position[2] = {list[i].x, list[i].y};
        for (size_t axis = 0; axis < 2; ++axis) {
            low[axis] = std::min(low[axis], position[axis]);
            high[axis] = std::max(high[axis], position[axis]);
        }
    }
}

void fitToWindow(std::vector<Vertex>& list, const std::vector<bool>& which) {
    double low[2];
    double high[2];
    boundingBox(list, which, low, high);
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

// Vertices sorted into square cells as wide as the spacing, so that a place is
// checked against the few vertices of nine cells.
class Cells {
  public:
    // reach: how far from the centre a vertex may be.
    Cells(const std::vector<Vertex>& all, double spacingUnits, double reach)
        : list(all), spacing(spacingUnits), limit(reach),
          side(static_cast<int64_t>(std::ceil(2 * reach / spacingUnits)) + 1),
          cells(static_cast<size_t>(side * side)) {}

    // Calls visit(j) for every vertex j added near (x, y): all those closer than
    // the spacing, and some more.
    template <class Visit> void forNear(double x, double y, Visit visit) const {
        const int64_t column = cellOf(x);
        const int64_t row = cellOf(y);
        for (int64_t r = std::max<int64_t>(row - 1, 0); r <= std::min(row + 1, side - 1); ++r) {
            for (int64_t c = std::max<int64_t>(column - 1, 0); c <= std::min(column + 1, side - 1);
                 ++c) {
                for (const int32_t j : cells[static_cast<size_t>(r * side + c)])
                    visit(j);
            }
        }
    }

    // Tells whether (x, y) is at least the spacing from every vertex added.
    bool isFree(double x, double y) const {
        bool free = true;
        forNear(x, y, [&](int32_t j) {
            const Vertex& v = list[static_cast<size_t>(j)];
            free = free && (v.x - x) * (v.x - x) + (v.y - y) * (v.y - y) >= spacing * spacing;
        });
        return free;
    }

    // Adds vertex i at its position, if it is near enough to the reach to matter.
    void add(int32_t i) {
        const Vertex& v = list[static_cast<size_t>(i)];
        if (std::fabs(v.x) <= limit + spacing && std::fabs(v.y) <= limit + spacing)
            cells[static_cast<size_t>(cellOf(v.y) * side + cellOf(v.x))].push_back(i);
    }

    void clear() {
        for (std::vector<int32_t>& cell : cells)
            cell.clear();
    }

  private:
    int64_t cellOf(double coordinate) const {
        const double clamped = std::clamp(coordinate, -limit, limit);
        return static_cast<int64_t>((clamped + limit) / spacing);
    }

    const std::vector<Vertex>& list;         // every vertex, added or not
    double spacing;                          // least distance between two vertices, in window units
    double limit;                            // largest coordinate of a place
    int64_t side;                            // cells along each side
    std::vector<std::vector<int32_t>> cells; // the vertices added, by cell, row by row
};

// A little more than the spacing, so that rounding to six decimals in the graph
// file cannot bring two vertices closer than it.
constexpr double spacing = vertexSpacing * pixel + 4e-6;
// The whole square of a vertex, two pixels to each side, stays in the window.
constexpr double limit = 1 - 2 * pixel;

void clampToWindow(Vertex& v) {
    v.x = std::clamp(v.x, -limit, limit);
    v.y = std::clamp(v.y, -limit, limit);
}

// Pushes apart, round after round, the movable vertices that are too close to
// another, each pair along the line through them by what it lacks (a movable
// pair each half of it). Dense parts of a drawing spread out this way and keep
// their shape; rounds stop when nothing moved.
void relax(std::vector<Vertex>& list, const std::vector<bool>& movable) {
    constexpr int rounds = 50;
    // Vertices at one point part in directions that differ by the golden angle.
    constexpr double goldenAngle = 2.399963229728653;
    Cells cells(list, spacing, limit);
    for (int round = 0; round < rounds; ++round) {
        cells.clear();
        for (size_t i = 0; i < list.size(); ++i)
            cells.add(static_cast<int32_t>(i));
        bool moved = false;
        for (size_t i = 0; i < list.size(); ++i) {
            if (!movable[i])
                continue;
            Vertex& v = list[i];
            cells.forNear(v.x, v.y, [&](int32_t other) {
                const auto j = static_cast<size_t>(other);
                // A movable pair is pushed once, from its first vertex.
                if (j == i || (movable[j] && j < i))
                    return;
                Vertex& w = list[j];
                double dx = v.x - w.x;
                double dy = v.y - w.y;
                const double distance = std::sqrt(dx * dx + dy * dy);
                if (distance >= spacing)
                    return;
                if (distance > 0) {
                    dx /= distance;
                    dy /= distance;
                } else {
                    dx = std::cos(goldenAngle * static_cast<double>(i));
                    dy = std::sin(goldenAngle * static_cast<double>(i));
                }
                // A little more than the lack, so pairs settle in few rounds.
                const double push = (spacing - distance) * 1.05;
                const double share = movable[j] ? push / 2 : push;
                v.x += dx * share;
                v.y += dy * share;
                if (movable[j]) {
                    w.x -= dx * share;
                    w.y -= dy * share;
                    clampToWindow(w);
                }
                clampToWindow(v);
                moved = true;
            });
        }
        if (!moved)
            return;
    }
}

// The places a crowded vertex may move to: the points of a square lattice over
// the window, as far apart as the spacing.
class Lattice {
  public:
    Lattice()
        : side(static_cast<int64_t>(2 * limit / spacing) + 1),
          blocked(static_cast<size_t>(side * side)) {}

    // Moves (x, y) to the lattice place nearest to it at which isFree(x, y) is
    // true, looking in square rings of places outwards; returns false, leaving
    // (x, y) as it is, when there is none. Places are assumed to stay taken
    // once isFree has said so.
    template <class IsFree> bool moveToNearestFree(double& x, double& y, IsFree isFree) {
        const int64_t column = nearest(x);
        const int64_t row = nearest(y);
        const int64_t widest = std::max({column, side - 1 - column, row, side - 1 - row});
        double best = std::numeric_limits<double>::infinity(); // squared distance to the best
        int64_t found = -1;                                    // the best place; -1 for none
        // Ring r is at least (r - 1) spacings from (x, y): further rings cannot
        // hold a nearer place than one found.
        for (int64_t r = 0; r <= widest; ++r) {
            const double least = static_cast<double>(std::max<int64_t>(r - 1, 0)) * spacing;
            if (least * least > best)
                break;
            for (int64_t k = row - r; k <= row + r; ++k) {
                // Rows inside the ring hold only its two ends.
                const int64_t step = k == row - r || k == row + r ? 1 : std::max<int64_t>(2 * r, 1);
                for (int64_t c = column - r; c <= column + r; c += step)
                    consider(c, k, x, y, isFree, best, found);
            }
        }
        if (found < 0)
            return false;
        x = place(found % side);
        y = place(found / side);
        return true;
    }

  private:
    double place(int64_t k) const { return -limit + static_cast<double>(k) * spacing; }

    int64_t nearest(double coordinate) const {
        return std::clamp<int64_t>(std::llround((coordinate + limit) / spacing), 0, side - 1);
    }

    // Makes place (c, k) the best if it is in the window, free and nearer to
    // (x, y) than the best so far; marks it blocked if it is not free.
    template <class IsFree>
    void consider(int64_t c, int64_t k, double x, double y, IsFree isFree, double& best,
                  int64_t& found) {
        if (c < 0 || c >= side || k < 0 || k >= side)
            return;
        const int64_t at = k * side + c;
        if (blocked[static_cast<size_t>(at)])
            return;
        const double dx = place(c) - x;
        const double dy = place(k) - y;
        const double distance = dx * dx + dy * dy;
        if (distance >= best)
            return;
        if (!isFree(place(c), place(k))) {
            blocked[static_cast<size_t>(at)] = true;
            return;
        }
        best = distance;
        found = at;
    }

    int64_t side;              // places along each side
    std::vector<bool> blocked; // places found taken, row by row; none at first
};

// The most vertices the window can hold spacing apart: discs of half the spacing
// around them, which do not overlap, fill at most the share of the plane the
// densest packing of discs does.
size_t windowCapacity() {
    const double side = 2 * limit + spacing;
    return static_cast<size_t>(side * side * 2 / (std::sqrt(3.0) * spacing * spacing));
}

} // namespace

double shrinkIntoWindow(const std::vector<Vertex>& list, const std::vector<bool>& fixed) {
    double low[2];
    double high[2];
    boundingBox(list, fixed, low, high);
    double centre[2];
    for (size_t axis = 0; axis < 2; ++axis)
        centre[axis] = std::clamp(low[axis] / 2 + high[axis] / 2, -limit, limit);
    double factor = 1;
    for (size_t i = 0; i < list.size(); ++i) {
        if (fixed[i])
            continue;
        const double position[2] = {list[i].x, list[i].y};
        for (size_t axis = 0; axis < 2; ++axis) {
            const double offset = position[axis] - centre[axis];
            const double room = (offset < 0 ? -limit : limit) - centre[axis];
            if (std::fabs(offset) > std::fabs(room))
                factor = std::min(factor, room / offset);
        }
    }
    return factor;
}

size_t spreadApart(std::vector<Vertex>& list, const std::vector<bool>& movable) {
    const auto movableCount = static_cast<size_t>(std::count(movable.begin(), movable.end(), true));
    if (list.size() > windowCapacity())
        return movableCount;
    for (size_t i = 0; i < list.size(); ++i) {
        if (movable[i])
            clampToWindow(list[i]);
    }
    relax(list, movable);
    // What relaxing left too close moves to the nearest free place in the
    // window. Places are only taken, never freed: once one search finds none,
    // the window is full and the rest stay where they are.
    bool full = false;
    Cells placed(list, spacing, limit);
    Lattice places;
    size_t crowded = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        if (!movable[i])
            placed.add(static_cast<int32_t>(i));
    }
    const auto isFree = [&](double x, double y) { return placed.isFree(x, y); };
    for (size_t i = 0; i < list.size(); ++i) {
        if (!movable[i])
            continue;
        Vertex& v = list[i];
        if (!placed.isFree(v.x, v.y)) {
            full = full || !places.moveToNearestFree(v.x, v.y, isFree);
            crowded += full;
        }
        placed.add(static_cast<int32_t>(i));
    }
    return crowded;
}
