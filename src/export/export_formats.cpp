#include "export/export_formats.h"

#include "companion/exact_drawing.h"
#include "geometry/wide_line.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string_view>
#include <utility>

// The window's size in pixels; the picture and the DOT drawing area match it.
static constexpr double windowSize = 400;

bool formatNamed(const std::string& name, ExportFormat& format) {
    static const std::pair<const char*, ExportFormat> names[] = {
        {"svg", ExportFormat::svg}, {"dot", ExportFormat::dot}, {"graphml", ExportFormat::graphml}};
    for (const auto& [known, named] : names) {
        if (name == known) {
            format = named;
            return true;
        }
    }
    return false;
}

bool formatOfFileName(const std::string& fileName, ExportFormat& format) {
    const size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos)
        return false;
    std::string extension = fileName.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "gv")
        extension = "dot";
    return formatNamed(extension, format);
}

// One piece of output (a line, a shape) built in a buffer on the stack, so that
// each piece costs one append to the whole text. A piece holds at most a few
// literals and two coordinates of the largest double, well within the buffer.
class Piece {
  public:
    Piece& text(std::string_view literal) {
        at = std::copy(literal.begin(), literal.end(), at);
        return *this;
    }
    Piece& number(int64_t value) {
        at = std::to_chars(at, end, value).ptr;
        return *this;
    }
    // The value in fixed-point notation with six decimals, as the graph file holds it.
    Piece& coordinate(double value) {
        at = std::to_chars(at, end, value, std::chars_format::fixed, 6).ptr;
        return *this;
    }
    // The value rounded to the given number of decimals (at most 6), trailing zeros
    // dropped. Integer arithmetic is many times faster than a general conversion;
    // values too large for it (beyond 10^12) are written in the shortest form.
    Piece& decimal(double value, int places) {
        if (!(std::abs(value) < 1e12)) {
            at = std::to_chars(at, end, value).ptr;
            return *this;
        }
        int64_t scale = 1;
        for (int i = 0; i < places; ++i)
            scale *= 10;
        int64_t units = std::llround(value * static_cast<double>(scale));
        if (units < 0) {
            *at++ = '-';
            units = -units;
        }
        at = std::to_chars(at, end, units / scale).ptr;
        int64_t fraction = units % scale;
        if (fraction != 0) {
            *at++ = '.';
            for (int64_t digit = scale / 10; fraction != 0; digit /= 10) {
                *at++ = static_cast<char>('0' + fraction / digit);
                fraction %= digit;
            }
        }
        return *this;
    }
    void appendTo(std::string& out) const { out.append(buffer, static_cast<size_t>(at - buffer)); }

  private:
    char buffer[1024];
    char* const end = buffer + sizeof buffer;
    char* at = buffer;
};

// The number of adjacency entries of all vertices of list.
static size_t countEntries(const std::vector<Vertex>& list) {
    size_t entries = 0;
    for (const Vertex& v : list)
        entries += v.adjacency.size();
    return entries;
}

// ---- SVG ----

using Point = std::array<double, 2>; // x and y

// Where the window shows position p, in pixels from its top left corner.
static Point toPixels(const Point& p) {
    const PixelPoint pixel = toWindowPixels(p[0], p[1]);
    return {pixel.x, pixel.y};
}

// Moves the outside end of segment inside-outside along the segment to where
// coordinate axis equals limit. Halving before subtracting keeps every step
// finite for any finite positions.
static Point meetLimit(const Point& inside, const Point& outside, size_t axis, double limit) {
    const size_t other = 1 - axis;
    const double share = (limit / 2 - inside[axis] / 2) / (outside[axis] / 2 - inside[axis] / 2);
    Point met{};
    met[axis] = limit;
    met[other] = inside[other] + (outside[other] / 2 - inside[other] / 2) * share * 2;
    return met;
}

// Cuts segment a-b to the side of limit where sign * coordinate axis is at most
// sign * limit; returns false when nothing is left.
static bool cutSegment(Point& a, Point& b, size_t axis, double sign, double limit) {
    const bool aOut = sign * a[axis] > sign * limit;
    const bool bOut = sign * b[axis] > sign * limit;
    if (aOut && bOut)
        return false;
    if (aOut)
        a = meetLimit(b, a, axis, limit);
    else if (bOut)
        b = meetLimit(a, b, axis, limit);
    return true;
}

// Clips segment a-b (window coordinates, -1 to 1) to the window and a margin wider
// than half a line, so what lies in the window is unchanged; returns false when
// the segment misses the window.
static bool clipToWindow(Point& a, Point& b) {
    const double reach = 1 + 4 / windowSize;
    for (size_t axis = 0; axis < 2; ++axis) {
        if (!cutSegment(a, b, axis, 1, reach) || !cutSegment(a, b, axis, -1, -reach))
            return false;
    }
    return true;
}

// Writes the picture's shapes as path elements of one colour each; a new element
// starts when the colour changes and every few hundred shapes, which keeps each
// attribute short enough for any SVG reader.
class PathWriter {
  public:
    explicit PathWriter(std::string& text) : out(text) {}
    PathWriter(const PathWriter&) = delete;
    PathWriter& operator=(const PathWriter&) = delete;

    // Starts a shape in the given colour; what follows is its path data.
    void start(const char* colour) {
        if (colour != current || shapes == shapesPerPath) {
            finish();
            out += "<path fill=\"";
            out += colour;
            out += "\" d=\"";
            current = colour;
        }
        ++shapes;
    }

    // Ends the current path element, if any.
    void finish() {
        if (current != nullptr)
            out += "\"/>\n";
        current = nullptr;
        shapes = 0;
    }

  private:
    static constexpr int shapesPerPath = 500;
    std::string& out;
    const char* current = nullptr; // colour of the open path element; nullptr for none
    int shapes = 0;                // shapes in the open path element; 0 for none
};

static const char* const black = "#000";
static const char* const red = "#f00";
static const char* const blue = "#00f";

// Three decimals place every edge far closer than the pixel grid needs.
static constexpr int pixelPlaces = 3;

// The window draws a vertex as a 4 x 4 square centred on its position.
static void appendSquare(std::string& out, const Point& centre) {
    Piece piece;
    piece.text("M").decimal(centre[0] - 2, pixelPlaces);
    piece.text(" ").decimal(centre[1] - 2, pixelPlaces).text("h4v4h-4z");
    piece.appendTo(out);
}

// The window draws a 2-pixel line as a parallelogram widened along the
// segment's minor axis. Every parallelogram turns clockwise, so overlapping ones
// in one path fill as their union.
static void appendLine(std::string& out, const Point& a, const Point& b) {
    const auto corners = wideLineCorners({a[0], a[1]}, {b[0], b[1]});
    Piece piece;
    const char* command = "M";
    for (const PixelPoint& corner : corners) {
        piece.text(command).decimal(corner.x, pixelPlaces);
        piece.text(" ").decimal(corner.y, pixelPlaces);
        command = "L";
    }
    piece.text("z");
    piece.appendTo(out);
}

static bool inWindow(const Point& pixel) {
    return pixel[0] > -2 && pixel[0] < windowSize + 2 && pixel[1] > -2 && pixel[1] < windowSize + 2;
}

std::string exportSvg(const GraphFile& file) {
    const std::vector<Vertex>& list = file.vertices;
    std::string out;
    out.reserve(256 + 24 * list.size() + 48 * countEntries(list));
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"400\" height=\"400\" "
           "viewBox=\"0 0 400 400\" shape-rendering=\"crispEdges\">\n"
           "<rect width=\"400\" height=\"400\" fill=\"#fff\"/>\n";
    PathWriter paths(out);
    for (size_t i = 0; i < list.size(); ++i) {
        const Point centre = toPixels({list[i].x, list[i].y});
        if (!inWindow(centre))
            continue;
        paths.start(static_cast<int64_t>(i) == file.selectedVertex ? red : black);
        appendSquare(out, centre);
    }
    for (size_t i = 0; i < list.size(); ++i) {
        const Vertex& source = list[i];
        const bool selected = static_cast<int64_t>(i) == file.selectedVertex;
        for (int32_t k : source.adjacency) {
            const Vertex& target = list[static_cast<size_t>(k)];
            Point a{source.x, source.y};
            Point b{target.x, target.y};
            if (!clipToWindow(a, b))
                continue;
            paths.start(selected && k == file.selectedEdgeTarget ? blue : black);
            appendLine(out, toPixels(a), toPixels(b));
        }
    }
    paths.finish();
    out += "</svg>\n";
    return out;
}

// ---- DOT ----

// Appends the point of the 400 x 400 drawing area where Graphviz puts vertex v,
// as "x,y", exact to the graph file's six decimals (see writePoints).
static void appendPos(Piece& piece, const Vertex& v) {
    char text[72];
    char* at = writePoints(text, text + 32, v.x);
    *at++ = ',';
    at = writePoints(at, at + 32, v.y);
    piece.text(std::string_view(text, static_cast<size_t>(at - text)));
}

std::string exportDot(const GraphFile& file) {
    const std::vector<Vertex>& list = file.vertices;
    std::string out;
    out.reserve(512 + 40 * list.size() + 16 * countEntries(list));
    // Drawn with neato -n2 the graph looks as in the window: 4-point squares,
    // plain 2-point lines, on a 400 x 400 point area kept where it is.
    out += "digraph ruvo {\n"
           "graph [notranslate=true, viewport=\"400,400,1,200,200\", pad=0, dpi=72, "
           "splines=line];\n";
    // The whole selection, which the colours show only in part, as attributes
    // Graphviz keeps and ignores; ruvo-import knows the file by them.
    const int32_t selection[3] = {file.selectedVertex, file.selectedEdgeTarget, file.linkTarget};
    Piece values;
    for (size_t i = 0; i < 3; ++i)
        values.text(i == 0 ? "graph [" : ", ")
            .text(selectionNames[i])
            .text("=")
            .number(selection[i]);
    values.text("];\n").appendTo(out);
    out += "node [shape=square, fixedsize=true, width=0.0556, height=0.0556, label=\"\", "
           "style=filled, penwidth=0, fillcolor=black];\n"
           "edge [arrowhead=none, penwidth=2, color=black];\n";
    for (size_t i = 0; i < list.size(); ++i) {
        Piece piece;
        piece.number(static_cast<int64_t>(i)).text(" [pos=\"");
        appendPos(piece, list[i]);
        piece.text(static_cast<int64_t>(i) == file.selectedVertex ? "\", fillcolor=red];\n"
                                                                  : "\"];\n");
        piece.appendTo(out);
    }
    for (size_t i = 0; i < list.size(); ++i) {
        const bool selected = static_cast<int64_t>(i) == file.selectedVertex;
        for (int32_t k : list[i].adjacency) {
            Piece piece;
            piece.number(static_cast<int64_t>(i)).text(" -> ").number(k);
            piece.text(selected && k == file.selectedEdgeTarget ? " [color=blue];\n" : ";\n");
            piece.appendTo(out);
        }
    }
    out += "}\n";
    return out;
}

// ---- GraphML ----

std::string exportGraphml(const GraphFile& file) {
    const std::vector<Vertex>& list = file.vertices;
    std::string out;
    out.reserve(1024 + 96 * list.size() + 64 * countEntries(list));
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<graphml xmlns=\"http://graphml.graphdrawing.org/xmlns\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xsi:schemaLocation=\"http://graphml.graphdrawing.org/xmlns "
           "http://graphml.graphdrawing.org/xmlns/1.0/graphml.xsd\">\n";
    const std::pair<const char*, int32_t> selection[] = {
        {selectionNames[0], file.selectedVertex},
        {selectionNames[1], file.selectedEdgeTarget},
        {selectionNames[2], file.linkTarget}};
    for (const auto& [key, value] : selection) {
        Piece piece;
        piece.text("<key id=\"").text(key).text("\" for=\"graph\" attr.name=\"").text(key);
        piece.text("\" attr.type=\"int\"><default>-1</default></key>\n");
        piece.appendTo(out);
    }
    out += "<key id=\"x\" for=\"node\" attr.name=\"x\" attr.type=\"double\"/>\n"
           "<key id=\"y\" for=\"node\" attr.name=\"y\" attr.type=\"double\"/>\n"
           "<graph id=\"ruvo\" edgedefault=\"directed\">\n";
    for (const auto& [key, value] : selection) {
        Piece piece;
        piece.text("<data key=\"").text(key).text("\">").number(value).text("</data>\n");
        piece.appendTo(out);
    }
    for (size_t i = 0; i < list.size(); ++i) {
        Piece piece;
        piece.text("<node id=\"n").number(static_cast<int64_t>(i)).text("\"><data key=\"x\">");
        piece.coordinate(list[i].x).text("</data><data key=\"y\">").coordinate(list[i].y);
        piece.text("</data></node>\n");
        piece.appendTo(out);
    }
    int64_t edge = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        for (int32_t k : list[i].adjacency) {
            Piece piece;
            piece.text("<edge id=\"e").number(edge++).text("\" source=\"n");
            piece.number(static_cast<int64_t>(i)).text("\" target=\"n").number(k).text("\"/>\n");
            piece.appendTo(out);
        }
    }
    out += "</graph>\n</graphml>\n";
    return out;
}

std::string exportGraph(const GraphFile& file, ExportFormat format) {
    switch (format) {
    case ExportFormat::svg:
        return exportSvg(file);
    case ExportFormat::dot:
        return exportDot(file);
    case ExportFormat::graphml:
        break;
    }
    return exportGraphml(file);
}
