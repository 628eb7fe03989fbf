#include "export/export_formats.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
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

static void appendIndex(std::string& out, size_t index) {
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, index).ptr);
}

static void appendInteger(std::string& out, int32_t value) {
    char digits[16];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// Appends value with the given number of decimals, dropping trailing zeros.
// Meant for numbers of a few digits before the point, such as pixel positions.
static void appendShort(std::string& out, double value, int decimals) {
    char text[48];
    char* end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
    if (std::find(text, end, '.') != end) {
        while (end[-1] == '0')
            --end;
        if (end[-1] == '.')
            --end;
    }
    out.append(text, end);
}

// Appends value in fixed-point notation with six decimals, as the graph file holds it.
static void appendCoordinate(std::string& out, double value) {
    // A fixed-point double has at most 309 digits before the point.
    char text[400];
    out.append(text,
               std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6).ptr);
}

// ---- SVG ----

using Point = std::array<double, 2>; // x and y

// Where the window shows position p, in pixels from its top left corner.
static Point toPixels(const Point& p) {
    return {(p[0] + 1) * windowSize / 2, (1 - p[1]) * windowSize / 2};
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
    ~PathWriter() { finish(); }

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
static void appendPixel(std::string& out, double value) {
    appendShort(out, value, 3);
}

// The window draws a vertex as a 4 x 4 square centred on its position.
static void appendSquare(std::string& out, const Point& centre) {
    out += 'M';
    appendPixel(out, centre[0] - 2);
    out += ' ';
    appendPixel(out, centre[1] - 2);
    out += "h4v4h-4z";
}

// The window draws a 2-pixel line as its rasterizer does: a segment that runs
// more across than down is widened by a pixel up and down, any other by a pixel
// left and right. Every parallelogram turns clockwise, so overlapping ones in one
// path fill as their union.
static void appendLine(std::string& out, Point a, Point b, bool across) {
    const size_t along = across ? 0 : 1;
    if (a[along] > b[along])
        std::swap(a, b);
    out += 'M';
    appendPixel(out, a[0] + (across ? 0 : 1));
    out += ' ';
    appendPixel(out, a[1] - (across ? 1 : 0));
    out += 'l';
    appendPixel(out, b[0] - a[0]);
    out += ' ';
    appendPixel(out, b[1] - a[1]);
    out += across ? "v2l" : "h-2l";
    appendPixel(out, a[0] - b[0]);
    out += ' ';
    appendPixel(out, a[1] - b[1]);
    out += 'z';
}

static bool inWindow(const Point& pixel) {
    return pixel[0] > -2 && pixel[0] < windowSize + 2 && pixel[1] > -2 && pixel[1] < windowSize + 2;
}

std::string exportSvg(const GraphFile& file) {
    const std::vector<Vertex>& list = file.vertices;
    std::string out;
    out.reserve(256 + 24 * list.size() + 48 * list.size() * 2);
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
            const bool across = std::abs(b[0] / 2 - a[0] / 2) >= std::abs(b[1] / 2 - a[1] / 2);
            if (!clipToWindow(a, b))
                continue;
            paths.start(selected && k == file.selectedEdgeTarget ? blue : black);
            appendLine(out, toPixels(a), toPixels(b), across);
        }
    }
    paths.finish();
    out += "</svg>\n";
    return out;
}

// ---- DOT ----

// A position in points on the 400 x 400 drawing area, y up, as Graphviz reads it.
static void appendDotPosition(std::string& out, double x, double y) {
    // Beyond about 9e305 the scaling overflows; the largest double is as far.
    const auto points = [](double ndc) {
        const double scaled = (ndc + 1) * windowSize / 2;
        return std::isfinite(scaled) ? scaled : std::copysign(DBL_MAX, scaled);
    };
    char text[64];
    char* const end = text + sizeof text;
    char* at = std::to_chars(text, end, points(x), std::chars_format::general, 10).ptr;
    *at++ = ',';
    at = std::to_chars(at, end, points(y), std::chars_format::general, 10).ptr;
    out.append(text, at);
}

std::string exportDot(const GraphFile& file) {
    const std::vector<Vertex>& list = file.vertices;
    std::string out;
    out.reserve(512 + 40 * list.size() + 16 * list.size() * 2);
    // Drawn with neato -n2 the graph looks as in the window: 4-point squares,
    // plain 2-point lines, on a 400 x 400 point area kept where it is.
    out += "digraph ruvo {\n"
           "graph [notranslate=true, viewport=\"400,400,1,200,200\", pad=0, dpi=72, "
           "splines=line];\n"
           "node [shape=square, fixedsize=true, width=0.0556, height=0.0556, label=\"\", "
           "style=filled, penwidth=0, fillcolor=black];\n"
           "edge [arrowhead=none, penwidth=2, color=black];\n";
    for (size_t i = 0; i < list.size(); ++i) {
        appendIndex(out, i);
        out += " [pos=\"";
        appendDotPosition(out, list[i].x, list[i].y);
        out += static_cast<int64_t>(i) == file.selectedVertex ? "\", fillcolor=red];\n" : "\"];\n";
    }
    for (size_t i = 0; i < list.size(); ++i) {
        const bool selected = static_cast<int64_t>(i) == file.selectedVertex;
        for (int32_t k : list[i].adjacency) {
            appendIndex(out, i);
            out += " -> ";
            appendInteger(out, k);
            out += selected && k == file.selectedEdgeTarget ? " [color=blue];\n" : ";\n";
        }
    }
    out += "}\n";
    return out;
}

// ---- GraphML ----

static void appendGraphData(std::string& out, const char* key, int32_t value) {
    out += "<data key=\"";
    out += key;
    out += "\">";
    appendInteger(out, value);
    out += "</data>\n";
}

std::string exportGraphml(const GraphFile& file) {
    const std::vector<Vertex>& list = file.vertices;
    std::string out;
    out.reserve(1024 + 80 * list.size() + 48 * list.size() * 2);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<graphml xmlns=\"http://graphml.graphdrawing.org/xmlns\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xsi:schemaLocation=\"http://graphml.graphdrawing.org/xmlns "
           "http://graphml.graphdrawing.org/xmlns/1.0/graphml.xsd\">\n";
    for (const char* key : {"selectedVertex", "selectedEdgeTarget", "linkTarget"}) {
        out += "<key id=\"";
        out += key;
        out += "\" for=\"graph\" attr.name=\"";
        out += key;
        out += "\" attr.type=\"int\"><default>-1</default></key>\n";
    }
    out += "<key id=\"x\" for=\"node\" attr.name=\"x\" attr.type=\"double\"/>\n"
           "<key id=\"y\" for=\"node\" attr.name=\"y\" attr.type=\"double\"/>\n"
           "<graph id=\"ruvo\" edgedefault=\"directed\">\n";
    appendGraphData(out, "selectedVertex", file.selectedVertex);
    appendGraphData(out, "selectedEdgeTarget", file.selectedEdgeTarget);
    appendGraphData(out, "linkTarget", file.linkTarget);
    for (size_t i = 0; i < list.size(); ++i) {
        out += "<node id=\"n";
        appendIndex(out, i);
        out += "\"><data key=\"x\">";
        appendCoordinate(out, list[i].x);
        out += "</data><data key=\"y\">";
        appendCoordinate(out, list[i].y);
        out += "</data></node>\n";
    }
    size_t edge = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        for (int32_t k : list[i].adjacency) {
            out += "<edge id=\"e";
            appendIndex(out, edge++);
            out += "\" source=\"n";
            appendIndex(out, i);
            out += "\" target=\"n";
            appendInteger(out, k);
            out += "\"/>\n";
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
