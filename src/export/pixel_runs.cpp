#include "export/pixel_runs.h"

#include <algorithm>
#include <climits>
#include <cmath>

// ---- The window's GL ----

using Clip = std::array<float, 4>; // x, y, z, w of a vertex in clip space

// The GL's clip-space test of a vertex against the window, one bit per side:
// right, left, top, bottom, in the order the GL clips against them.
static unsigned outsideSides(const Clip& v) {
    unsigned sides = 0;
    sides |= v[0] > v[3] ? 1u : 0u;
    sides |= 0 > v[0] + v[3] ? 2u : 0u;
    sides |= v[1] > v[3] ? 4u : 0u;
    sides |= 0 > v[1] + v[3] ? 8u : 0u;
    return sides;
}

// The GL clips lines that leave the window at a guard band twice its size;
// each plane's distance is a dot product in float, in the GL's order.
static float planeDistance(const Clip& v, unsigned side) {
    static const float planes[4][4] = {
        {-0.5f, 0, 0, 1}, {0.5f, 0, 0, 1}, {0, -0.5f, 0, 1}, {0, 0.5f, 0, 1}};
    const float* plane = planes[side];
    return v[0] * plane[0] + v[1] * plane[1] + v[2] * plane[2] + v[3] * plane[3];
}

// The window position of the clip-space point t of the way from out to in, as
// the GL's clipper computes it: without a fused multiply-add, unlike the vertex
// code that places unclipped vertices.
static PixelPoint clippedEnd(float t, const Clip& out, const Clip& in) {
    const float half = static_cast<float>(windowPixels / 2);
    Clip p{};
    for (size_t i = 0; i < 4; ++i)
        p[i] = out[i] + t * (in[i] - out[i]);
    const float overW = 1.0f / p[3];
    const float x = p[0] * overW * half + half;
    const float y = p[1] * overW * -half + half;
    return {x, y};
}

// The GL's own clipping of segment a-b; nothing when it drops the segment.
static std::optional<std::array<PixelPoint, 2>> glSegment(std::array<double, 2> a,
                                                          std::array<double, 2> b) {
    const Clip v0{glFloat(a[0]), glFloat(a[1]), 0, 1};
    const Clip v1{glFloat(b[0]), glFloat(b[1]), 0, 1};
    const unsigned out0 = outsideSides(v0), out1 = outsideSides(v1);
    const PixelPoint start = glWindowPixels(a[0], a[1]), end = glWindowPixels(b[0], b[1]);
    if ((out0 | out1) == 0)
        return std::array<PixelPoint, 2>{start, end};
    if ((out0 & out1) != 0)
        return std::nullopt;
    float t0 = 0, t1 = 0;
    for (unsigned side = 0; side < 4; ++side) {
        if (((out0 | out1) >> side & 1u) == 0)
            continue;
        const float d0 = planeDistance(v0, side), d1 = planeDistance(v1, side);
        if (!std::isfinite(d0) || !std::isfinite(d1))
            return std::nullopt;
        if (d1 < 0)
            t1 = std::max(t1, d1 / (d1 - d0));
        if (d0 < 0)
            t0 = std::max(t0, d0 / (d0 - d1));
        if (t0 + t1 >= 1.0f)
            return std::nullopt;
    }
    return std::array<PixelPoint, 2>{out0 != 0 ? clippedEnd(t0, v0, v1) : start,
                                     out1 != 0 ? clippedEnd(t1, v1, v0) : end};
}

// Cuts segment a-b (in doubles) to where coordinate axis is at most limit
// times sign; false when nothing is left. Halving keeps every step finite.
static bool cutAt(std::array<double, 2>& a, std::array<double, 2>& b, size_t axis, double sign,
                  double limit) {
    const bool aOut = sign * a[axis] > limit, bOut = sign * b[axis] > limit;
    if (aOut && bOut)
        return false;
    if (aOut || bOut) {
        std::array<double, 2>& outside = aOut ? a : b;
        const std::array<double, 2>& inside = aOut ? b : a;
        const size_t other = 1 - axis;
        const double share =
            (sign * limit / 2 - inside[axis] / 2) / (outside[axis] / 2 - inside[axis] / 2);
        outside[other] = inside[other] + (outside[other] / 2 - inside[other] / 2) * share * 2;
        outside[axis] = sign * limit;
    }
    return true;
}

bool clipToSquare(std::array<double, 2>& a, std::array<double, 2>& b, double reach) {
    for (size_t axis = 0; axis < 2; ++axis) {
        if (!cutAt(a, b, axis, 1, reach) || !cutAt(a, b, axis, -1, reach))
            return false;
    }
    return true;
}

std::optional<std::array<PixelPoint, 2>> windowSegment(std::array<double, 2> a,
                                                       std::array<double, 2> b) {
    if (auto drawn = glSegment(a, b))
        return drawn;
    // The GL also drops a segment whose far end is so far out that its float
    // clipping rounds the whole segment away; such a segment, if it crosses the
    // window, is drawn here as the GL draws it once cut at its guard band.
    std::array<double, 2> inA = a, inB = b;
    if (!clipToSquare(inA, inB, 1) || !clipToSquare(a, b, 2))
        return std::nullopt;
    return glSegment(a, b);
}

std::vector<PixelRun> quadPixels(const std::array<SubpixelPoint, 4>& quad) {
    // The GL's bounding box, with its rounding for a bottom-left fill rule,
    // within the window.
    int64_t left = INT64_MAX, right = INT64_MIN, top = INT64_MAX, bottom = INT64_MIN;
    for (const SubpixelPoint& p : quad) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    const int64_t step = subpixelsPerPixel;
    const int64_t firstColumn = std::max<int64_t>(floorDivide(left + step - 1, step), 0);
    const int64_t lastColumn = std::min(floorDivide(right + step - 1, step) - 1, windowPixels - 1);
    const int64_t firstRow = std::max<int64_t>(floorDivide(top + step, step), 0);
    const int64_t lastRow = std::min(floorDivide(bottom + step, step) - 1, windowPixels - 1);

    // Each side's edge function is positive inside; a pixel centre on a left or
    // bottom side counts as inside.
    struct Side {
        int64_t c, dcdx, dcdy;
    };
    std::array<Side, 4> sides{};
    for (size_t i = 0; i < 4; ++i) {
        const SubpixelPoint& from = quad[i];
        const SubpixelPoint& to = quad[(i + 1) % 4];
        Side& s = sides[i];
        s.dcdx = from.y - to.y;
        s.dcdy = from.x - to.x;
        s.c = s.dcdx * from.x - s.dcdy * from.y;
        if (s.dcdx < 0 || (s.dcdx == 0 && s.dcdy < 0))
            ++s.c;
    }
    std::vector<PixelRun> runs;
    for (int64_t row = firstRow; row <= lastRow; ++row) {
        int64_t first = firstColumn, last = lastColumn;
        for (const Side& s : sides) {
            // c - dcdx * x + dcdy * y > 0 at the centre (x, y) of the pixel.
            const int64_t constant = s.c + s.dcdy * step * row;
            const int64_t slope = -s.dcdx * step;
            if (slope > 0)
                first = std::max(first, floorDivide(-constant, slope) + 1);
            else if (slope < 0)
                last = std::min(last, floorDivide(constant - 1, -slope));
            else if (constant <= 0)
                last = first - 1;
        }
        if (first <= last)
            runs.push_back({row, first, last + 1});
    }
    return runs;
}

// ---- librsvg ----

// Cairo's rounding of a fixed-point value to a whole pixel: to the nearest, a
// half down.
static int64_t roundHalfDown(int64_t fixed) {
    return floorDivide(fixed + subpixelsPerPixel / 2 - 1, subpixelsPerPixel);
}

std::vector<PixelRun> crispPathPixels(const std::vector<std::vector<FixedPoint>>& polygons) {
    struct Edge {
        FixedPoint top, bottom; // the upper and the lower end
        int direction;          // +1 drawn downwards, -1 upwards
    };
    std::vector<Edge> edges;
    int64_t left = INT64_MAX, right = INT64_MIN, top = INT64_MAX, bottom = INT64_MIN;
    for (const auto& polygon : polygons) {
        for (size_t i = 0; i < polygon.size(); ++i) {
            const FixedPoint& from = polygon[i];
            const FixedPoint& to = polygon[(i + 1) % polygon.size()];
            left = std::min(left, from.x);
            right = std::max(right, from.x);
            top = std::min(top, from.y);
            bottom = std::max(bottom, from.y);
            if (from.y == to.y)
                continue;
            edges.push_back(from.y < to.y ? Edge{from, to, 1} : Edge{to, from, -1});
        }
    }
    // Spans are kept within the path's extents, rounded out to whole pixels.
    const int64_t step = subpixelsPerPixel;
    const int64_t minColumn = std::max<int64_t>(floorDivide(left, step), 0);
    const int64_t endColumn = std::min(-floorDivide(-right, step), windowPixels);

    std::vector<PixelRun> runs;
    std::vector<std::pair<int64_t, int>> crossings; // (x, direction) on the current row
    const int64_t lastRow = std::min(roundHalfDown(bottom), windowPixels - 1);
    for (int64_t row = std::max<int64_t>(roundHalfDown(top), 0); row <= lastRow; ++row) {
        crossings.clear();
        // An edge takes part in the rows whose centre it spans, top included,
        // but is sampled a subpixel higher, and rounded down to a subpixel.
        const int64_t sampleY = row * step + step / 2 - 1;
        for (const Edge& e : edges) {
            if (roundHalfDown(e.top.y) > row || roundHalfDown(e.bottom.y) <= row)
                continue;
            const int64_t dx = e.bottom.x - e.top.x, dy = e.bottom.y - e.top.y;
            crossings.emplace_back(e.top.x + floorDivide((sampleY - e.top.y) * dx, dy),
                                   e.direction);
        }
        std::sort(crossings.begin(), crossings.end());
        int winding = 0;
        int64_t start = INT64_MIN;
        for (size_t i = 0; i < crossings.size(); ++i) {
            const int64_t column = roundHalfDown(crossings[i].first);
            winding += crossings[i].second;
            if (winding == 0) {
                const int64_t next =
                    i + 1 < crossings.size() ? roundHalfDown(crossings[i + 1].first) : INT64_MAX;
                // A gap of one pixel to the next span is filled.
                if (next > column + 1) {
                    const int64_t first = std::max(start, minColumn);
                    const int64_t end = std::min(column, endColumn);
                    if (first < end) {
                        if (!runs.empty() && runs.back().row == row && runs.back().end >= first)
                            runs.back().end = std::max(runs.back().end, end);
                        else
                            runs.push_back({row, first, end});
                    }
                    start = INT64_MIN;
                }
            } else if (start == INT64_MIN) {
                start = column;
            }
        }
    }
    return runs;
}
