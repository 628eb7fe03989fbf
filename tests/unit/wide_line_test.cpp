// The shapes the GL fills for the window's points and lines, worked out by hand
// from its rules: a 4-pixel point is the block around the pixel corner nearest
// its centre, and a 2-pixel line is a parallelogram whose start keeps the pixel
// it starts in while its end leaves the pixel it ends in, cut at a guard band
// twice the window's size.
#include "export/pixel_runs.h"
#include "geometry/wide_line.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <ostream>

// Found by argument-dependent lookup, so beside PixelPoint in the global namespace.
static bool operator==(const PixelPoint& a, const PixelPoint& b) {
    return a.x == b.x && a.y == b.y;
}

static void PrintTo(const PixelPoint& p, std::ostream* out) {
    *out << "(" << p.x << ", " << p.y << ")";
}

TEST(WideLine, EndsFollowTheDiamondRuleInEitherDirection) {
    const struct {
        PixelPoint from, to;
        std::array<PixelPoint, 4> corners;
    } cases[] = {
        // Across from pixel 100's centre to pixel 300's: columns 100 to 299
        // (centres from 100.5 up to, not including, 300), rows 200 and 201.
        {{100.5, 200.5},
         {300.5, 200.5},
         {{{300, 199.5}, {100.5, 199.5}, {100.5, 201.5}, {300, 201.5}}}},
        // Back again: columns 101 to 300.
        {{300.5, 200.5},
         {100.5, 200.5},
         {{{301, 199.5}, {101, 199.5}, {101, 201.5}, {301, 201.5}}}},
        // Down from pixel row 100 to row 300: rows 100 to 299, columns 99 and 100.
        {{100.5, 100.5}, {100.5, 300.5}, {{{99.5, 100}, {99.5, 300}, {101.5, 300}, {101.5, 100}}}},
        // No length, nothing filled.
        {{50.25, 60.5},
         {50.25, 60.5},
         {{{50.25, 60.5}, {50.25, 60.5}, {50.25, 60.5}, {50.25, 60.5}}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(wideLineCorners(c.from, c.to), c.corners)
            << "from (" << c.from.x << ", " << c.from.y << ")";
}

TEST(WideLine, PointFillsTheSquareAroundTheNearestPixelCorner) {
    const struct {
        PixelPoint centre;
        std::array<int64_t, 2> corner;
    } cases[] = {
        {{100, 200}, {98, 198}},       // on a pixel corner
        {{100.5, 200.5}, {99, 198}},   // halfway: right across, up down
        {{100.49, 200.51}, {98, 199}}, // nearer the other corners
        {{-1.5, 401}, {-3, 399}},      // off the window, its corner still inside
    };
    for (const auto& c : cases)
        EXPECT_EQ(pointSquare(c.centre), c.corner)
            << "centre (" << c.centre.x << ", " << c.centre.y << ")";
}

TEST(WideLine, GlPlacesVerticesInFloatWithOneRounding) {
    // The window's corners; and -0.9, whose float lies 2.5 float steps of 20
    // past 20 once scaled: one rounding gives 20 and two steps, two roundings
    // would give 20.
    EXPECT_EQ(glWindowPixels(-1, 1), (PixelPoint{0, 0}));
    EXPECT_EQ(glWindowPixels(1, -1), (PixelPoint{400, 400}));
    EXPECT_EQ(glWindowPixels(-0.9, 0.9),
              (PixelPoint{20.000003814697265625, 20.000003814697265625}));
}

TEST(WindowSegment, IsCutAtTheGuardBandAndKeptBeyondTheGlsReach) {
    using Ends = std::optional<std::array<PixelPoint, 2>>;
    const struct {
        std::array<double, 2> a, b;
        Ends ends;
    } cases[] = {
        {{-0.5, 0}, {0.5, 0}, Ends{{{{100, 200}, {300, 200}}}}}, // within the window
        {{-3, 0}, {3, 0}, Ends{{{{-200, 200}, {600, 200}}}}},    // across: cut at twice its size
        {{1.5, 0.5}, {1.5, -0.5}, std::nullopt},                 // beside it
        {{0, 0}, {1e9, 0}, Ends{{{{200, 200}, {600, 200}}}}},    // the GL loses it; drawn anyway
    };
    for (const auto& c : cases) {
        const Ends ends = windowSegment(c.a, c.b);
        ASSERT_EQ(ends.has_value(), c.ends.has_value()) << c.b[0];
        if (ends) {
            EXPECT_EQ(*ends, *c.ends) << c.b[0];
        }
    }
}
