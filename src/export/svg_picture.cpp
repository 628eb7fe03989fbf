// The SVG picture: the window's pixels as librsvg renders them with crisp
// edges, each shape drawn so that cairo fills exactly the pixels the window's
// GL fills for it (see pixel_runs.h).
#include "export/export_formats.h"
#include "export/pixel_runs.h"
#include "export/window_shapes.h"
#include "geometry/wide_line.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <vector>

namespace {

// The SVG colour of a shape.
const char* colourText(ShapeColour colour) {
    switch (colour) {
    case ShapeColour::red:
        return "#f00";
    case ShapeColour::blue:
        return "#00f";
    case ShapeColour::black:
        break;
    }
    return "#000";
}

void appendNumber(std::string& out, int64_t value) {
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// Appends value to a list of path numbers: after a space, unless its minus
// sign separates it already.
void appendListed(std::string& out, int64_t value) {
    if (value >= 0)
        out += ' ';
    appendNumber(out, value);
}

// Writes the vertices' squares as path elements of one colour each, in window
// pixels; a new element starts when the colour changes and every few hundred
// squares, which keeps each attribute short enough for any SVG reader. Squares
// of whole pixels fill the same pixels however they are grouped.
class SquareWriter {
  public:
    explicit SquareWriter(std::string& text) : out(text) {}
    SquareWriter(const SquareWriter&) = delete;
    SquareWriter& operator=(const SquareWriter&) = delete;

    // Writes the square of pointSizePixels with its top left pixel at corner.
    void square(const char* colour, const std::array<int64_t, 2>& corner) {
        if (colour != current || squares == squaresPerPath) {
            finish();
            out += "<path fill=\"";
            out += colour;
            out += "\" d=\"";
            current = colour;
        }
        ++squares;
        out += 'M';
        appendNumber(out, corner[0]);
        appendListed(out, corner[1]);
        out += "h4v4h-4z";
    }

    // Ends the current path element, if any.
    void finish() {
        if (current != nullptr)
            out += "\"/>\n";
        current = nullptr;
        squares = 0;
    }

  private:
    static constexpr int squaresPerPath = 500;
    std::string& out;
    const char* current = nullptr; // colour of the open path element; nullptr for none
    int squares = 0;               // squares in the open path element; 0 for none
};

// Writes the edges in a group scaled to cairo's subpixels, 1/256 of a pixel, so
// that every coordinate is a whole number that librsvg and cairo take exactly.
// Each colour has a group of its own, in which the order of shapes does not
// matter. An edge drawn as a polygon is a path element of its own, because
// cairo fills a gap of one pixel between two polygons of one path; rows of
// whole pixels are gathered into shared elements at the end of the group.
class EdgeWriter {
  public:
    explicit EdgeWriter(std::string& text) : out(text) {
        out += "<g transform=\"scale(.00390625)\">\n";
    }
    EdgeWriter(const EdgeWriter&) = delete;
    EdgeWriter& operator=(const EdgeWriter&) = delete;

    // Makes colour the colour of what follows.
    void colour(const char* colour) {
        if (colour == current)
            return;
        closeGroup();
        out += "<g fill=\"";
        out += colour;
        out += "\">\n";
        current = colour;
    }

    // Writes the path of a polygon, in the current colour.
    void polygon(const std::string& path) {
        out += "<path d=\"";
        out += path;
        out += "\"/>\n";
    }

    // Adds the path of rows of pixels, in the current colour.
    void rows(const std::string& path) {
        if (rowPaths == rowPathsPerElement)
            writeRows();
        rowsText += path;
        ++rowPaths;
    }

    // Ends the picture's edges.
    void finish() {
        closeGroup();
        out += "</g>\n";
    }

  private:
    void writeRows() {
        if (rowPaths > 0) {
            out += "<path d=\"";
            out += rowsText;
            out += "\"/>\n";
        }
        rowsText.clear();
        rowPaths = 0;
    }

    void closeGroup() {
        writeRows();
        if (current != nullptr)
            out += "</g>\n";
        current = nullptr;
    }

    // A few hundred edges an element keep each attribute short enough for any
    // SVG reader.
    static constexpr int rowPathsPerElement = 500;
    std::string& out;
    const char* current = nullptr; // colour of the open group; nullptr when none is open
    std::string rowsText;          // rows gathered for the open group; "" for none
    int rowPaths = 0;              // edges' rows in rowsText; 0 for none
};

// The path of runs of pixels, in subpixels, runs of equal consecutive rows as
// one rectangle. Every rectangle turns the same way, so they fill as their union.
std::string rowsPath(const std::vector<PixelRun>& runs) {
    std::string path;
    const int64_t step = subpixelsPerPixel;
    for (size_t i = 0; i < runs.size();) {
        size_t rows = 1;
        while (i + rows < runs.size() && runs[i + rows].row == runs[i].row + int64_t(rows) &&
               runs[i + rows].first == runs[i].first && runs[i + rows].end == runs[i].end)
            ++rows;
        path += 'M';
        appendNumber(path, runs[i].first * step);
        appendListed(path, runs[i].row * step);
        path += 'h';
        appendNumber(path, (runs[i].end - runs[i].first) * step);
        path += 'v';
        appendNumber(path, int64_t(rows) * step);
        path += 'h';
        appendNumber(path, -(runs[i].end - runs[i].first) * step);
        path += 'z';
        i += rows;
    }
    return path;
}

// The path of polygon, in subpixels.
std::string polygonPath(const std::vector<FixedPoint>& polygon) {
    std::string path = "M";
    appendNumber(path, polygon[0].x);
    appendListed(path, polygon[0].y);
    path += 'l';
    for (size_t i = 1; i < polygon.size(); ++i) {
        appendListed(path, polygon[i].x - polygon[i - 1].x);
        appendListed(path, polygon[i].y - polygon[i - 1].y);
    }
    path += 'z';
    return path;
}

// Cuts polygon to the side of the line where coordinate axis is at least limit
// times sign; new corners are rounded to whole subpixels.
std::vector<FixedPoint> cutPolygon(const std::vector<FixedPoint>& polygon, bool xAxis, int64_t sign,
                                   int64_t limit) {
    const auto inside = [&](const FixedPoint& p) { return sign * (xAxis ? p.x : p.y) >= limit; };
    std::vector<FixedPoint> kept;
    for (size_t i = 0; i < polygon.size(); ++i) {
        const FixedPoint& from = polygon[i];
        const FixedPoint& to = polygon[(i + 1) % polygon.size()];
        if (inside(from))
            kept.push_back(from);
        if (inside(from) != inside(to)) {
            const int64_t fromAxis = xAxis ? from.x : from.y, toAxis = xAxis ? to.x : to.y;
            const int64_t fromOther = xAxis ? from.y : from.x, toOther = xAxis ? to.y : to.x;
            const int64_t at = sign * limit;
            const int64_t other = fromOther + floorDivide((at - fromAxis) * (toOther - fromOther) *
                                                              (toAxis > fromAxis ? 1 : -1),
                                                          std::abs(toAxis - fromAxis));
            kept.push_back(xAxis ? FixedPoint{at, other} : FixedPoint{other, at});
        }
    }
    return kept;
}

// Cuts polygon to the picture, so that cairo needs no clipping of its own.
std::vector<FixedPoint> cutToPicture(std::vector<FixedPoint> polygon) {
    const int64_t side = windowPixels * subpixelsPerPixel;
    polygon = cutPolygon(polygon, true, 1, 0);
    polygon = cutPolygon(polygon, true, -1, -side);
    polygon = cutPolygon(polygon, false, 1, 0);
    return cutPolygon(polygon, false, -1, -side);
}

bool rectilinear(const std::vector<FixedPoint>& polygon) {
    for (size_t i = 0; i < polygon.size(); ++i) {
        const FixedPoint& from = polygon[i];
        const FixedPoint& to = polygon[(i + 1) % polygon.size()];
        if (from.x != to.x && from.y != to.y)
            return false;
    }
    return true;
}

// Returns the pixels of wanted that are not in got, or nothing when got has a
// pixel wanted lacks. wanted has at most one run a row.
std::optional<std::vector<PixelRun>> missingPixels(const std::vector<PixelRun>& wanted,
                                                   const std::vector<PixelRun>& got) {
    std::vector<PixelRun> missing;
    size_t g = 0;
    for (const PixelRun& want : wanted) {
        int64_t from = want.first;
        for (; g < got.size() && got[g].row <= want.row; ++g) {
            const PixelRun& have = got[g];
            if (have.row < want.row || have.first < from || have.end > want.end)
                return std::nullopt;
            if (have.first > from)
                missing.push_back({want.row, from, have.first});
            from = have.end;
        }
        if (from < want.end)
            missing.push_back({want.row, from, want.end});
    }
    if (g < got.size())
        return std::nullopt;
    return missing;
}

// Where cairo's polygon lies from the GL's parallelogram: the GL's subpixels
// count from a pixel's centre, cairo's from its corner, and cairo samples
// another point of each pixel with other rules for ties. These offsets, tried in
// turn, make the two agree for nearly every line; the first is exact for lines
// between arbitrary positions, the second for most lines between pixels.
constexpr std::array<std::array<int64_t, 2>, 5> polygonOffsets = {
    {{0, -1}, {1, -1}, {1, 0}, {1, -2}, {1, 1}}};

// The path that draws exactly pixels (those the GL fills for quad): its
// parallelogram where cairo fills the same pixels or fewer, and any pixels it
// misses as rows; else the rows alone, whichever is shorter.
void drawEdge(EdgeWriter& edges, const std::array<SubpixelPoint, 4>& quad,
              const std::vector<PixelRun>& pixels) {
    const std::string rows = rowsPath(pixels);
    std::string bestPolygon, bestRest;
    size_t bestSize = rows.size();
    for (const auto& offset : polygonOffsets) {
        std::vector<FixedPoint> polygon;
        for (const SubpixelPoint& corner : quad)
            polygon.push_back({corner.x + subpixelsPerPixel / 2 + offset[0],
                               corner.y + subpixelsPerPixel / 2 + offset[1]});
        polygon = cutToPicture(polygon);
        // Cairo fills a polygon of only horizontal and vertical sides by
        // another rule; such a line is drawn as rows.
        if (polygon.size() < 3 || rectilinear(polygon))
            break;
        const auto missing = missingPixels(pixels, crispPathPixels({polygon}));
        if (!missing)
            continue;
        const std::string path = polygonPath(polygon), rest = rowsPath(*missing);
        if (path.size() + rest.size() < bestSize) {
            bestPolygon = path;
            bestRest = rest;
            bestSize = path.size() + rest.size();
        }
        if (missing->empty())
            break;
    }
    if (bestPolygon.empty()) {
        edges.rows(rows);
        return;
    }
    edges.polygon(bestPolygon);
    if (!bestRest.empty())
        edges.rows(bestRest);
}

} // namespace

std::string exportSvg(const GraphFile& file) {
    std::string out;
    const std::string side = std::to_string(windowPixels);
    const std::string size = "width=\"" + side + "\" height=\"" + side + "\"";
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" " +
           size + " viewBox=\"0 0 " + side + " " + side +
           "\" shape-rendering=\"crispEdges\">\n"
           "<rect " +
           size + " fill=\"#fff\"/>\n";
    SquareWriter squares(out);
    forEachSquare(file, [&](ShapeColour colour, const std::array<int64_t, 2>& corner) {
        squares.square(colourText(colour), corner);
    });
    squares.finish();
    EdgeWriter edges(out);
    forEachEdge(file, [&](ShapeColour colour, const std::array<SubpixelPoint, 4>& quad,
                          const std::vector<PixelRun>& pixels) {
        edges.colour(colourText(colour));
        drawEdge(edges, quad, pixels);
    });
    edges.finish();
    out += "</svg>\n";
    return out;
}
