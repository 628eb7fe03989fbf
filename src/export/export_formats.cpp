#include "export/export_formats.h"

#include "companion/command_line.h"
#include "companion/exact_drawing.h"
#include "export/pixel_runs.h"
#include "io/number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string_view>
#include <utility>

bool formatNamed(const std::string& name, ExportFormat& format) {
    static const std::pair<const char*, ExportFormat> names[] = {{"svg", ExportFormat::svg},
                                                                 {"png", ExportFormat::png},
                                                                 {"dot", ExportFormat::dot},
                                                                 {"graphml", ExportFormat::graphml},
                                                                 {"tikz", ExportFormat::tikz}};
    return findNamed(names, name, format);
}

bool formatOfFileName(const std::string& fileName, ExportFormat& format) {
    std::string extension = lowerCaseExtension(fileName);
    if (extension == "gv")
        extension = "dot";
    if (extension == "tex")
        extension = "tikz";
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
        at = writeNumber(at, end, value, NumberStyle::fixed);
        return *this;
    }
    // The window coordinate as the point of the 400 x 400 drawing area where
    // Graphviz puts it, exact to the graph file's six decimals (see writePoints).
    Piece& points(double value) {
        at = writePoints(at, end, value);
        return *this;
    }
    // The value rounded to the given number of decimals (at most 6), trailing zeros
    // dropped. Integer arithmetic is many times faster than a general conversion;
    // values too large for it (beyond 10^12) are written in the shortest form.
    Piece& decimal(double value, int places) {
        if (!(std::abs(value) < 1e12)) {
            at = writeShortest(at, end, value);
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

// ---- DOT ----

std::string exportDot(const GraphFile& file) {
    const std::vector<Vertex>& list = file.vertices;
    std::string out;
    out.reserve(512 + 40 * list.size() + 16 * countEntries(list));
    // Drawn with neato -n2 the graph looks as in the window: 4-point squares,
    // plain 2-point lines, on a point area the window's size kept where it is.
    const std::string side = std::to_string(windowPixels);
    const std::string half = std::to_string(windowPixels / 2);
    out += "digraph ruvo {\n"
           "graph [notranslate=true, viewport=\"" +
           side + "," + side + ",1," + half + "," + half +
           "\", pad=0, dpi=72, "
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
        piece.points(list[i].x).text(",").points(list[i].y);
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

// ---- TikZ ----

// Positions up to this many units from the window's centre are placed as they
// are; TeX's lengths end at about 575 cm, 143 units of 4 cm.
static constexpr double tikzReach = 100;

static bool withinTikzReach(double x, double y) {
    return std::abs(x) <= tikzReach && std::abs(y) <= tikzReach;
}

static void appendTikzPoint(Piece& piece, double x, double y) {
    piece.text("(").decimal(x, 6).text(",").decimal(y, 6).text(")");
}

std::string exportTikz(const GraphFile& file) {
    const std::vector<Vertex>& list = file.vertices;
    std::string out;
    out.reserve(1024 + 48 * list.size() + 48 * countEntries(list));
    out += "% A Ruvo graph as its window shows it: the 400 x 400 pixel window is an\n"
           "% 8 cm square, clipped at its edge; positions are as in the graph file, a\n"
           "% unit being 4 cm and a pixel 0.2 mm. Needs \\usepackage{tikz}; the styles\n"
           "% below set the look of the whole picture.\n"
           "\\begin{tikzpicture}[x=4cm, y=4cm,\n"
           "  vertex/.style={rectangle, fill=black, inner sep=0pt, minimum size=0.8mm},\n"
           "  selected vertex/.style={vertex, fill=red},\n"
           "  edge/.style={draw=black, line width=0.4mm},\n"
           "  selected edge/.style={edge, draw=blue}]\n"
           "\\useasboundingbox (-1,-1) rectangle (1,1);\n"
           "\\clip (-1,-1) rectangle (1,1);\n";
    for (size_t i = 0; i < list.size(); ++i) {
        const double x = list[i].x, y = list[i].y;
        Piece piece;
        piece.text(static_cast<int64_t>(i) == file.selectedVertex ? "\\node[selected vertex] (v"
                                                                  : "\\node[vertex] (v");
        piece.number(static_cast<int64_t>(i)).text(") at ");
        appendTikzPoint(piece, std::clamp(x, -tikzReach, tikzReach),
                        std::clamp(y, -tikzReach, tikzReach));
        piece.text(" {};");
        if (!withinTikzReach(x, y)) {
            piece.text(" % at ");
            appendTikzPoint(piece, x, y);
            piece.text(", farther than TeX can place");
        }
        piece.text("\n");
        piece.appendTo(out);
    }
    for (size_t i = 0; i < list.size(); ++i) {
        const Vertex& source = list[i];
        const bool selected = static_cast<int64_t>(i) == file.selectedVertex;
        for (int32_t k : source.adjacency) {
            const Vertex& target = list[static_cast<size_t>(k)];
            Piece piece;
            std::array<double, 2> a{source.x, source.y}, b{target.x, target.y};
            const bool placed = withinTikzReach(a[0], a[1]) && withinTikzReach(b[0], b[1]);
            // Of an edge to a vertex beyond reach only the part within reach can
            // show in the window; an edge wholly beyond it is left out.
            if (!placed && !clipToSquare(a, b, tikzReach)) {
                piece.text("% v").number(static_cast<int64_t>(i)).text(" -- v").number(k);
                piece.text(" lies farther than TeX can place\n");
                piece.appendTo(out);
                continue;
            }
            piece.text(selected && k == file.selectedEdgeTarget ? "\\draw[selected edge] "
                                                                : "\\draw[edge] ");
            if (placed) {
                piece.text("(v").number(static_cast<int64_t>(i)).text(".center) -- (v");
                piece.number(k).text(".center);\n");
            } else {
                appendTikzPoint(piece, a[0], a[1]);
                piece.text(" -- ");
                appendTikzPoint(piece, b[0], b[1]);
                piece.text(";\n");
            }
            piece.appendTo(out);
        }
    }
    out += "\\end{tikzpicture}\n";
    return out;
}

std::string standaloneDocument(const std::string& picture) {
    // The picture is boxed and shipped out as the page, whose size is the box's;
    // this needs no package beyond tikz.
    std::string document = "% A page of the picture's size alone; compile with pdflatex.\n"
                           "\\documentclass{article}\n"
                           "\\usepackage{tikz}\n"
                           "\\begin{document}\n"
                           "\\setbox0=\\hbox{%\n";
    document.append(picture, 0, picture.find_last_not_of('\n') + 1);
    document += "}\n"
                "\\pdfpagewidth=\\wd0\n"
                "\\pdfpageheight=\\ht0\n"
                "\\hoffset=-1in\n"
                "\\voffset=-1in\n"
                "\\shipout\\box0\n"
                "\\end{document}\n";
    return document;
}

std::string exportGraph(const GraphFile& file, ExportFormat format, int scale) {
    switch (format) {
    case ExportFormat::svg:
        return exportSvg(file);
    case ExportFormat::png:
        return exportPng(file, scale);
    case ExportFormat::dot:
        return exportDot(file);
    case ExportFormat::tikz:
        return exportTikz(file);
    case ExportFormat::graphml:
        break;
    }
    return exportGraphml(file);
}
