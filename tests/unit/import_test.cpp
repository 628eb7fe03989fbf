// ruvo-import's readers, placement and layout, run in-process: each format read
// into vertices and edges, the refusals, a drawing scaled into the window, a
// graph without positions laid out, and files from ruvo-export read back exactly.
#include "editor_fixture.h"
#include "export/export_formats.h"
#include "import/gzip_text.h"
#include "import/import_formats.h"
#include "import/layout.h"
#include "import/pieces.h"
#include "import/placement.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <zlib.h>

namespace {

// The graph as one line: the frame and selection, then for each vertex "x y" (or
// "-" when unplaced) and its targets: "drawing -1 -1 -1 | 1 2 > 1 | - > 0".
std::string summary(const ImportedGraph& graph) {
    std::string out = graph.frame == Frame::window ? "window" : "drawing";
    for (const int32_t value : {graph.selectedVertex, graph.selectedEdgeTarget, graph.linkTarget})
        out += " " + std::to_string(value);
    for (size_t i = 0; i < graph.vertices.size(); ++i) {
        char position[64] = "-";
        if (graph.placed[i])
            std::snprintf(position, sizeof position, "%g %g", graph.vertices[i].x,
                          graph.vertices[i].y);
        out += std::string(" | ") + position + " >";
        for (const int32_t target : graph.vertices[i].adjacency)
            out += " " + std::to_string(target);
    }
    return out;
}

FileStatus read(ImportFormat format, const std::string& text, ImportedGraph& graph) {
    return readImport(text, format, graph);
}

// The least distance between two vertices, in pixels; infinite for fewer than two.
double leastDistance(const std::vector<Vertex>& list) {
    double least = HUGE_VAL;
    for (size_t i = 0; i < list.size(); ++i) {
        for (size_t j = i + 1; j < list.size(); ++j)
            least = std::min(least, std::hypot(list[i].x - list[j].x, list[i].y - list[j].y) *
                                        (windowPixels / 2.0));
    }
    return least;
}

// The longest edge at a vertex not marked in given over the shortest, self-edges
// left out: near 1 when the vertices laid out are at one scale with the given
// ones and each other.
double edgeSpread(const std::vector<Vertex>& list, const std::vector<bool>& given) {
    double shortest = HUGE_VAL;
    double longest = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        for (const int32_t k : list[i].adjacency) {
            const auto j = static_cast<size_t>(k);
            if (j == i || (given[i] && given[j]))
                continue;
            const double length = std::hypot(list[i].x - list[j].x, list[i].y - list[j].y);
            shortest = std::min(shortest, length);
            longest = std::max(longest, length);
        }
    }
    return longest / shortest;
}

bool insideWindow(const std::vector<Vertex>& list) {
    return std::all_of(list.begin(), list.end(), [](const Vertex& v) {
        return std::fabs(v.x) <= 0.99 && std::fabs(v.y) <= 0.99;
    });
}

// A graph of n vertices without positions: a ring with chords, a repeated edge,
// a self-edge, and the last vertex alone.
ImportedGraph unplacedGraph(int32_t n) {
    ImportedGraph graph;
    for (int32_t i = 0; i < n; ++i) {
        graph.vertices.emplace_back(0, 0);
        graph.placed.push_back(false);
        if (i + 1 < n)
            graph.vertices.back().adjacency = {(i + 1) % (n - 1), (i * 7 + 3) % (n - 1)};
    }
    graph.vertices[0].adjacency.push_back(1);
    graph.vertices[0].adjacency.push_back(0);
    return graph;
}

} // namespace

struct ReaderCase {
    const char* name;
    ImportFormat format;
    const char* text;
    const char* expected; // summary of what is read
};

class ImportReads : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ImportReads, VerticesInFirstNamedOrderEdgesAtTheirSourceAndPositions) {
    ImportedGraph graph;
    const FileStatus status = read(GetParam().format, GetParam().text, graph);
    ASSERT_TRUE(status.ok) << status.reason;
    EXPECT_EQ(summary(graph), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    EachFormat, ImportReads,
    ::testing::Values(
        // Keys by attribute name, a default standing in for missing data, an edge
        // naming a node before it is declared, undirected edges at the source as
        // written, repeated edges and a self-edge.
        ReaderCase{"GraphmlFromNetworkx", ImportFormat::graphml,
                   "<?xml version='1.0' encoding='utf-8'?>\n"
                   "<graphml xmlns=\"http://graphml.graphdrawing.org/xmlns\">\n"
                   "<key id=\"d0\" for=\"node\" attr.name=\"x\" attr.type=\"double\"/>\n"
                   "<key id=\"d1\" for=\"node\" attr.name=\"y\" attr.type=\"double\">"
                   "<default>5</default></key>\n"
                   "<key id=\"d2\" for=\"node\" attr.name=\"label\" attr.type=\"string\"/>\n"
                   "<graph edgedefault=\"undirected\">\n"
                   "<node id=\"b\"><data key=\"d0\"> 1.5 </data><data key=\"d1\">-2</data></node>\n"
                   "<edge source=\"c\" target=\"b\"/>\n"
                   "<node id=\"a\"><data key=\"d0\">3</data><data key=\"d2\">A</data></node>\n"
                   "<edge source=\"b\" target=\"c\"/><edge source=\"b\" target=\"b\"/>\n"
                   "<edge source=\"b\" target=\"c\"/><node id=\"c\"/>\n"
                   "</graph></graphml>\n",
                   "drawing -1 -1 -1 | 1.5 -2 > 1 0 1 | - > 0 | 3 5 >"},
        // yEd's node geometry: the centre of the box, y turned up; a group's first
        // realizer, and the nodes of its nested graph.
        ReaderCase{"GraphmlFromYed", ImportFormat::graphml,
                   "<graphml xmlns=\"http://graphml.graphdrawing.org/xmlns\" "
                   "xmlns:y=\"http://www.yworks.com/xml/graphml\">\n"
                   "<key for=\"node\" id=\"d6\" yfiles.type=\"nodegraphics\"/>\n"
                   "<graph edgedefault=\"directed\" id=\"G\">\n"
                   "<node id=\"n0\"><data key=\"d6\"><y:ShapeNode>"
                   "<y:Geometry height=\"30.0\" width=\"40.0\" x=\"10.0\" y=\"20.0\"/>"
                   "<y:NodeLabel>a</y:NodeLabel></y:ShapeNode></data></node>\n"
                   "<node id=\"n1\"><data key=\"d6\"><y:GenericNode configuration=\"c\">"
                   "<y:Geometry height=\"10\" width=\"10\" x=\"-5\" y=\"-4\"/></y:GenericNode>"
                   "</data></node>\n"
                   "<node id=\"n2\" yfiles.foldertype=\"group\"><data key=\"d6\">"
                   "<y:ProxyAutoBoundsNode><y:Realizers active=\"0\"><y:GroupNode>"
                   "<y:Geometry height=\"100\" width=\"100\" x=\"0\" y=\"100\"/></y:GroupNode>"
                   "<y:GroupNode><y:Geometry height=\"5\" width=\"5\" x=\"9\" y=\"9\"/>"
                   "</y:GroupNode></y:Realizers></y:ProxyAutoBoundsNode></data>\n"
                   "<graph edgedefault=\"directed\" id=\"n2:\"><node id=\"n2::n0\">"
                   "<data key=\"d6\"><y:ShapeNode><y:Geometry height=\"2\" width=\"2\" "
                   "x=\"49\" y=\"149\"/></y:ShapeNode></data></node></graph></node>\n"
                   "<edge id=\"e0\" source=\"n0\" target=\"n1\"><data key=\"d10\">"
                   "<y:PolyLineEdge><y:Path sx=\"0\" sy=\"0\"/></y:PolyLineEdge></data></edge>\n"
                   "<edge id=\"e1\" source=\"n2::n0\" target=\"n0\"/>\n"
                   "</graph></graphml>\n",
                   "drawing -1 -1 -1 | 30 -35 > 1 | 0 -1 > | 50 -150 > | 50 -150 > 0"},
        ReaderCase{"Gexf", ImportFormat::gexf,
                   "<gexf xmlns=\"http://gexf.net/1.3\" xmlns:viz=\"http://gexf.net/1.3/viz\" "
                   "version=\"1.3\">\n<graph defaultedgetype=\"undirected\"><nodes>\n"
                   "<node id=\"0\" label=\"a\"><viz:position x=\"10\" y=\"-20\" z=\"0\"/>"
                   "<viz:size value=\"3\"/></node>\n<node id=\"1\" label=\"b\"/>\n"
                   "</nodes><edges><edge id=\"0\" source=\"1\" target=\"0\"/>"
                   "<edge id=\"1\" source=\"0\" target=\"0\" weight=\"2\"/></edges></graph>"
                   "</gexf>\n",
                   "drawing -1 -1 -1 | 10 -20 > 0 | - > 0"},
        // Out-edges in file order, not cgraph's order by head; undirected edges
        // keep tail and head as written; pos with '!' and with a third coordinate.
        ReaderCase{"Dot", ImportFormat::dot,
                   "graph { b [pos=\"1,2!\"]; a; c [pos=\"3,4,5\"];\n"
                   "a -- b; b -- a; a -- c; a -- b; c -- c }\n",
                   "drawing -1 -1 -1 | 1 2 > 1 | - > 0 2 0 | 3 4 > 2"},
        ReaderCase{"DotPositions", ImportFormat::dot,
                   "digraph { a [pos=\"-1.5,2e1\"]; b -> a [pos=\"e,1,1 2,2\"]; b [pos=\"\"] }",
                   "drawing -1 -1 -1 | -1.5 20 > | - > 0"},
        // Vertices named by their numbers, then by other names, then by numbers
        // out of turn and with a leading zero.
        ReaderCase{"NumberedThenNamed", ImportFormat::edgelist, "0 1\n1 a\na 0\n2 0\n01 1\n",
                   "drawing -1 -1 -1 | - > 1 | - > 2 | - > 0 | - > 0 | - > 1"},
        // yEd's and Cytoscape's GML: the centre of graphics, y turned up; an
        // edge's target before its source, an edge to a node declared later,
        // lists and strings over several lines, a comment, other x and y keys
        // (a label's, a bend's) and a second graph's nodes left alone.
        ReaderCase{"GmlFromYed", ImportFormat::gml,
                   "Creator\t\"yFiles\"\n# a comment [\ngraph\n[\n\tdirected\t1\n"
                   "\tnode [ id 7 label \"a\nb\" graphics [ x 10.5 y -20 w 30 h 30 ]\n"
                   "\t\tLabelGraphics [ x 99 y 99 ] ]\n"
                   "\tedge [ target 7 source -1 graphics [ Line [ point [ x 5 y 5 ] ] ] ]\n"
                   "\tnode [ graphics [ x 1e2 ] id \"-1\" ]\n\tnode [ id 3 x 4 y 4 ]\n"
                   "]\ngraph [ node [ id 9 ] ]\nTitle \"t\"\n",
                   "drawing -1 -1 -1 | 10.5 20 > | - > 0 | - >"},
        ReaderCase{"GmlFromNetworkx", ImportFormat::gml,
                   "graph [\r\n  multigraph 1\r\n  node [\r\n    id 0\r\n  ]\r\n"
                   "  node [ id 1 ]\r\n  edge [ source 1 target 0 key 0 ]\r\n"
                   "  edge [ source 1 target 0 key 1 ]\r\n  edge [ source 0 target 0 ]\r\n]",
                   "drawing -1 -1 -1 | - > 0 | - > 0 0"},
        // yEd Live: a box in NodeGeometry data, its corner and size, y down.
        ReaderCase{"GraphmlFromYedLive", ImportFormat::graphml,
                   "<graphml xmlns=\"http://graphml.graphdrawing.org/xmlns\" "
                   "xmlns:y=\"http://www.yworks.com/xml/yfiles-common/3.0\">\n"
                   "<key id=\"d5\" for=\"node\" attr.name=\"NodeGeometry\"/>\n"
                   "<key id=\"d7\" for=\"node\" attr.name=\"NodeStyle\"/><graph>\n"
                   "<node id=\"a\"><data key=\"d5\"><y:RectD X=\"469\" Y=\"246\" "
                   "Width=\"60\" Height=\"40\"/></data></node>\n"
                   "<node id=\"b\"><data key=\"d7\"><y:RectD X=\"1\" Y=\"1\"/></data></node>\n"
                   "<edge source=\"a\" target=\"b\"/></graph></graphml>",
                   "drawing -1 -1 -1 | 499 -266 > 1 | - >"},
        ReaderCase{"EdgeList", ImportFormat::edgelist,
                   "# written by NetworkX\r\nb a {'weight': 1}\r\na c 3 4\n\nd\rb a # again",
                   "drawing -1 -1 -1 | - > 1 1 | - > 2 | - > | - >"}),
    [](const auto& test) { return std::string(test.param.name); });

struct RefusalCase {
    const char* name;
    ImportFormat format;
    std::string text;
    const char* reason;
};

class ImportRefuses : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ImportRefuses, WithTheLineAndWhy) {
    ImportedGraph graph;
    const FileStatus status = read(GetParam().format, GetParam().text, graph);
    EXPECT_FALSE(status.ok);
    EXPECT_EQ(status.reason, GetParam().reason);
}

// Ten levels of ten references each: 10^10 "lol"s if expanded.
std::string billionLaughs() {
    std::string text = "<?xml version=\"1.0\"?>\n<!DOCTYPE graphml [\n<!ENTITY l0 \"lol\">\n";
    for (int level = 1; level <= 10; ++level) {
        text += "<!ENTITY l" + std::to_string(level) + " \"";
        for (int i = 0; i < 10; ++i)
            text += "&l" + std::to_string(level - 1) + ";";
        text += "\">\n";
    }
    return text + "]>\n<graphml>&l10;</graphml>\n";
}

const char* const xyKeys = "<graphml><key id=\"x\" for=\"node\" attr.name=\"x\"/>"
                           "<key id=\"y\" for=\"node\" attr.name=\"y\"/><graph>";

INSTANTIATE_TEST_SUITE_P(
    BadInput, ImportRefuses,
    ::testing::Values(
        RefusalCase{"ExternalEntity", ImportFormat::graphml,
                    "<?xml version=\"1.0\"?>\n<!DOCTYPE graphml [\n"
                    "<!ENTITY ext SYSTEM \"file:///etc/passwd\">]>\n<graphml>&ext;</graphml>\n",
                    "line 4: refers to the external entity \"file:///etc/passwd\", which is "
                    "never loaded"},
        RefusalCase{"BillionLaughs", ImportFormat::graphml, billionLaughs(),
                    "line 15: limit on input amplification factor (from DTD and entities) "
                    "breached"},
        RefusalCase{"BrokenXml", ImportFormat::gexf,
                    "<gexf><graph>\n<nodes><node id=\"a\">\n</graph></gexf>",
                    "line 3: mismatched tag"},
        RefusalCase{"NotGraphml", ImportFormat::graphml, "<gexf/>",
                    "line 1: not GraphML: the document is <gexf>"},
        RefusalCase{"TwoGraphs", ImportFormat::graphml, "<graphml><graph/>\n<graph/></graphml>",
                    "line 2: the file holds more than one graph"},
        RefusalCase{"Hyperedge", ImportFormat::graphml,
                    "<graphml><graph><hyperedge/></graph></graphml>",
                    "line 1: hyperedges cannot be held in a graph file"},
        RefusalCase{"EdgeWithoutTarget", ImportFormat::gexf,
                    "<gexf><graph><edges><edge source=\"a\"/></edges></graph></gexf>",
                    "line 1: an edge without a target"},
        RefusalCase{"InfiniteX", ImportFormat::graphml,
                    std::string(xyKeys) +
                        "<node id=\"a\"><data key=\"x\">inf</data></node></graph></graphml>",
                    "line 1: node \"a\": x \"inf\" is not a finite number"},
        RefusalCase{"YBeyondDoubles", ImportFormat::graphml,
                    std::string(xyKeys) +
                        "<node id=\"a\">\n<data key=\"y\">1e999</data></node></graph></graphml>",
                    "line 2: node \"a\": y \"1e999\" is not a finite number"},
        RefusalCase{"PositionNotANumber", ImportFormat::gexf,
                    "<gexf><graph><nodes><node id=\"a\"><position x=\"1\" y=\"up\"/></node>"
                    "</nodes></graph></gexf>",
                    "line 1: a position's y \"up\" is not a finite number"},
        RefusalCase{"DotSyntaxError", ImportFormat::dot, "digraph {\n a -> ;\n}\n",
                    "line 2: syntax error near ';'"},
        RefusalCase{"DotNul", ImportFormat::dot, std::string("digraph {\n a }\n\0x", 16),
                    "line 3: a NUL byte"},
        RefusalCase{"DotEmpty", ImportFormat::dot, " \n", "no graph found"},
        RefusalCase{"DotPosNotFinite", ImportFormat::dot, "digraph { a [pos=\"1,nan\"] }",
                    "node \"a\": pos \"1,nan\" is not finite"},
        RefusalCase{"DotPosNotNumbers", ImportFormat::dot, "digraph { a [pos=\"1\"] }",
                    "node \"a\": pos \"1\" is not two numbers"},
        RefusalCase{"GmlNodeWithoutId", ImportFormat::gml, "graph [\n node [ label \"a\" ]\n]",
                    "line 2: a node without an id"},
        RefusalCase{"GmlEdgeWithoutTarget", ImportFormat::gml,
                    "graph [ node [ id 1 ]\nedge [ source 1 ] ]",
                    "line 2: an edge without a target"},
        RefusalCase{"GmlStringNotClosed", ImportFormat::gml, "graph [\nlabel \"a ]\n",
                    "line 2: a string without its closing quote"},
        RefusalCase{"GmlListNotClosed", ImportFormat::gml, "graph [\n node [ id 1\n",
                    "line 2: a list that is never closed"},
        RefusalCase{"GmlCloseWithoutOpen", ImportFormat::gml, "graph [ ]\n]",
                    "line 2: a ']' without its '['"},
        RefusalCase{"GmlNotAKey", ImportFormat::gml, "graph [ 12 ]", "line 1: \"12\" is not a key"},
        RefusalCase{"GmlKeyWithoutValue", ImportFormat::gml, "graph [ node [ id ] ]",
                    "line 1: id without a value"},
        RefusalCase{"GmlXNotANumber", ImportFormat::gml,
                    "graph [ node [ id 1 graphics [\nx \"left\" ] ] ]",
                    "line 2: x \"left\" is not a number"},
        RefusalCase{"GmlYNotFinite", ImportFormat::gml,
                    "graph [ node [ id 1 graphics [ x 1\ny 1e999 ] ] ]",
                    "line 2: y \"1e999\" is not a finite number"},
        RefusalCase{"GmlWithoutGraph", ImportFormat::gml, "Creator \"me\"\n", "no graph found"},
        RefusalCase{"SelectionNotANumber", ImportFormat::dot,
                    "digraph { graph [selectedVertex=1, selectedEdgeTarget=x, linkTarget=2] }",
                    "selectedEdgeTarget \"x\" is not a vertex number"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(ImportReadsWarnings, GraphvizWarningsComeBackAsLinesOfTheInput) {
    ImportedGraph graph;
    ASSERT_TRUE(read(ImportFormat::dot, "digraph {\n a -> 1b }", graph).ok);
    ASSERT_EQ(graph.warnings.size(), 1u);
    EXPECT_EQ(graph.warnings[0], "line 2: syntax ambiguity - badly delimited number '1b' "
                                 "splits into two tokens");
}

// A file of several graphs: the first is read, the others are counted.
TEST(ImportReadsWarnings, OnlyTheFirstOfSeveralGraphsIsReadAndTheRestCounted) {
    const std::pair<ImportFormat, const char*> files[] = {
        {ImportFormat::dot, "digraph { a -> b }\ngraph { c }\n/* */ strict graph { d }"},
        {ImportFormat::gml, "graph [ node [ id 1 ] ]\ngraph [ ]\ngraph [ node [ id 2 ] ]"}};
    for (const auto& [format, text] : files) {
        ImportedGraph graph;
        ASSERT_TRUE(read(format, text, graph).ok) << text;
        EXPECT_EQ(graph.vertices.size(), format == ImportFormat::dot ? 2u : 1u);
        EXPECT_EQ(graph.warnings, std::vector<std::string>{"only the first graph is read; 2 more "
                                                           "are left out"});
    }
    ImportedGraph graph;
    ASSERT_TRUE(read(ImportFormat::dot, "digraph { a }\n-> ;", graph).ok);
    EXPECT_EQ(graph.warnings,
              std::vector<std::string>{"only the first graph is read; the rest of the file is "
                                       "left out"});
}

struct FormatCase {
    const char* text;
    const char* format; // the format the text says, "" for none
};

// What the beginning of a file plainly says, whatever its name.
TEST(ImportFormats, TheContentSaysItsFormatOrNothing) {
    const FormatCase cases[] = {
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- by hand -->\n<!DOCTYPE g [<!ENTITY e \"x\">]>"
         "<graphml xmlns=\"http://graphml.graphdrawing.org/xmlns\">",
         "graphml"},
        {"<g:graphml xmlns:g=\"http://graphml.graphdrawing.org/xmlns\"/>", "graphml"},
        {"<?xml version=\"1.0\"?><gexf version=\"1.2\">", "gexf"},
        {"<svg/>", ""},
        {"Creator \"igraph\"\nVersion 1\n# note\ngraph\n[\n", "gml"},
        {"graph [ node [ id 1 ] ]", "gml"},
        {"Creator [ name \"x\" ] graph [", ""},
        {"// a comment\n/* another */ DiGraph G {", "dot"},
        {"strict graph \"my graph\" { a }", "dot"},
        {"graph {", "dot"},
        {"graph b\nb c\n", ""},
        {"strict x\n", ""},
        {"0 1\n1 2 {'weight': 3}\n", ""},
        {"", ""}};
    const char* const names[] = {"graphml", "gexf", "gml", "dot", "edgelist"};
    for (const FormatCase& c : cases) {
        ImportFormat format = ImportFormat::edgelist;
        const bool said = importFormatOfText(c.text, format);
        EXPECT_EQ(said ? names[static_cast<int>(format)] : "", std::string(c.format)) << c.text;
    }
    const std::pair<const char*, const char*> files[] = {
        {"a.GML", "gml"},   {"a.gml.gz", "gml"},       {"dir.gz/a.graphmlz", "graphml"},
        {"a.gv.GZ", "dot"}, {"a.txt.gz", ""},          {"a.gz", ""},
        {"a.xml", ""},      {"a.edges.gz", "edgelist"}};
    for (const auto& [name, expected] : files) {
        ImportFormat format = ImportFormat::edgelist;
        const bool said = importFormatOfFileName(name, format);
        EXPECT_EQ(said ? names[static_cast<int>(format)] : "", std::string(expected)) << name;
    }
}

// Text compressed as gzip does it, as one member.
std::string gzipped(const std::string& text) {
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&stream, static_cast<uLong>(text.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

TEST(ImportInflates, GzipMembersOrARefusalNeverMoreThanTheLimit) {
    const std::string big(3 << 20, 'a');
    const std::string whole = gzipped("graph [\n") + gzipped("]\n");
    std::string corrupt = gzipped("graph [ ]");
    corrupt[corrupt.size() / 2] = static_cast<char>(corrupt[corrupt.size() / 2] ^ 0x55);
    const std::pair<std::string, std::string> cases[] = {
        {whole, "graph [\n]\n"},
        {gzipped(big), big},
        {whole.substr(0, whole.size() - 3), "the compressed data is cut short"},
        {whole + "\n", "not gzip data: something follows the compressed data"},
        {gzipped(big + "b"), "decompresses to more than 3 MB"},
        {corrupt, "not gzip data: invalid distance too far back"}};
    for (const auto& [input, expected] : cases) {
        std::string bytes = input;
        ASSERT_TRUE(isGzip(bytes));
        const FileStatus status = inflateGzip(bytes, 3 << 20);
        EXPECT_EQ(status.ok ? bytes : status.reason, expected);
    }
}

// cgraph's scanner reads ahead; what it read of one file must not reach the next.
TEST(ImportReadsDotAfresh, NothingOfTheLastFileLeaksIntoTheNext) {
    ImportedGraph graph;
    ASSERT_TRUE(read(ImportFormat::dot, "digraph { a } digraph { b }\n", graph).ok);
    ASSERT_TRUE(read(ImportFormat::dot, "digraph { c -> c }", graph).ok);
    EXPECT_EQ(summary(graph), "drawing -1 -1 -1 | - > 0");
    const FileStatus status = read(ImportFormat::dot, "digraph { d -> }", graph);
    EXPECT_EQ(status.reason, "line 1: syntax error near '}'");
}

struct FitCase {
    const char* name;
    std::vector<std::pair<double, double>> positions;
    std::vector<std::pair<double, double>> expected;
};

class ImportFitsDrawings : public ::testing::TestWithParam<FitCase> {};

TEST_P(ImportFitsDrawings, UniformlyCentredSpanningNinetyPercent) {
    std::vector<Vertex> list;
    for (const auto& [x, y] : GetParam().positions)
        list.emplace_back(x, y);
    // The last vertex is not part of the drawing and stays where it is.
    list.emplace_back(7, 7);
    std::vector<bool> which(list.size(), true);
    which.back() = false;
    fitToWindow(list, which);
    for (size_t i = 0; i < GetParam().expected.size(); ++i) {
        EXPECT_NEAR(list[i].x, GetParam().expected[i].first, 1e-12) << i;
        EXPECT_NEAR(list[i].y, GetParam().expected[i].second, 1e-12) << i;
    }
    EXPECT_EQ(list.back().x, 7);
}

INSTANTIATE_TEST_SUITE_P(
    Drawings, ImportFitsDrawings,
    ::testing::Values(
        FitCase{"Wide", {{0, 0}, {100, 10}, {50, 30}}, {{-0.9, -0.27}, {0.9, -0.09}, {0, 0.27}}},
        FitCase{"Tall", {{5, -10}, {5, 30}}, {{0, -0.9}, {0, 0.9}}},
        FitCase{"OneVertex", {{123, -4}}, {{0, 0}}},
        FitCase{"AllAtOnePoint", {{3, 3}, {3, 3}}, {{0, 0}, {0, 0}}},
        FitCase{"Extreme", {{-1.7e308, 1.7e308}, {1.7e308, -1.7e308}}, {{-0.9, 0.9}, {0.9, -0.9}}}),
    [](const auto& test) { return std::string(test.param.name); });

class ImportLaysOut : public ::testing::TestWithParam<const char*> {};

TEST_P(ImportLaysOut, EveryVertexInsideTheWindowAndApart) {
    LayoutEngine engine = LayoutEngine::keep;
    ASSERT_TRUE(layoutEngineNamed(GetParam(), engine));
    ImportedGraph graph = unplacedGraph(40);
    ASSERT_TRUE(placeGraph(graph, engine).ok);
    EXPECT_TRUE(insideWindow(graph.vertices));
    EXPECT_GE(leastDistance(graph.vertices), vertexSpacing);
    EXPECT_EQ(graph.frame, Frame::window);
}

INSTANTIATE_TEST_SUITE_P(Engines, ImportLaysOut,
                         ::testing::Values("keep", "neato", "fdp", "sfdp", "circo", "twopi",
                                           "dot"));

// Small graphs go to neato, large ones to sfdp, which may need a second pass.
TEST(ImportLaysOutUnplacedGraphs, InsideTheWindowApartAndTheSameEachTime) {
    for (const int32_t count : {60, 2000}) {
        ImportedGraph first = unplacedGraph(count);
        ImportedGraph second = first;
        ASSERT_TRUE(placeGraph(first, LayoutEngine::keep).ok);
        ASSERT_TRUE(placeGraph(second, LayoutEngine::keep).ok);
        EXPECT_TRUE(insideWindow(first.vertices)) << count;
        EXPECT_GE(leastDistance(first.vertices), vertexSpacing) << count;
        EXPECT_EQ(summary(first), summary(second)) << count;
    }
}

TEST(ImportLaysOutAroundADrawing, GivenPositionsKeptOthersPlacedApart) {
    for (const Frame frame : {Frame::drawing, Frame::window}) {
        ImportedGraph graph = unplacedGraph(12);
        const std::pair<double, double> given[] = {{0.5, 0.5}, {-0.5, 0.5}, {0, -0.5}};
        for (size_t i = 0; i < 3; ++i) {
            graph.vertices[i * 4].x = given[i].first;
            graph.vertices[i * 4].y = given[i].second;
            graph.placed[i * 4] = true;
        }
        graph.frame = frame;
        const std::vector<bool> wasGiven = graph.placed;
        ImportedGraph again = graph;
        ASSERT_TRUE(placeGraph(graph, LayoutEngine::keep).ok);
        ASSERT_TRUE(placeGraph(again, LayoutEngine::keep).ok);
        EXPECT_EQ(summary(graph), summary(again));
        EXPECT_TRUE(insideWindow(graph.vertices));
        EXPECT_GE(leastDistance(graph.vertices), vertexSpacing);
        // The given drawing keeps its shape: in the window frame exactly, in
        // another scaled uniformly about some centre. The others are laid out
        // around the given ones where they are, at one scale with them (about
        // 2 here, 4 where the given ones span the window), neither around a
        // shrunken copy of them nor spread far and piled at the window's edge
        // (7 and more).
        EXPECT_LT(edgeSpread(graph.vertices, wasGiven), 5);
        const Vertex& a = graph.vertices[0];
        const Vertex& b = graph.vertices[4];
        const Vertex& c = graph.vertices[8];
        if (frame == Frame::window) {
            EXPECT_EQ(summary(graph).substr(0, 27), "window -1 -1 -1 | 0.5 0.5 >");
            EXPECT_EQ(c.x, 0);
            EXPECT_EQ(c.y, -0.5);
        } else {
            EXPECT_NEAR(a.y, b.y, 1e-12);
            EXPECT_NEAR(c.x, (a.x + b.x) / 2, 1e-12);
            EXPECT_NEAR(a.x - b.x, a.y - c.y, 1e-12);
        }
    }
}

// A long path from a vertex given near the window's corner: laid out with
// shorter edges until it fits, rather than piled along the window's edge.
TEST(ImportLaysOutAroundADrawing, LongPathFromACornerComesInWhole) {
    ImportedGraph graph = unplacedGraph(41);
    for (int32_t i = 0; i < 41; ++i)
        graph.vertices[static_cast<size_t>(i)].adjacency = {std::min(i + 1, 40)};
    graph.vertices[0].x = graph.vertices[0].y = 0.9;
    graph.placed[0] = true;
    graph.frame = Frame::window;
    ASSERT_TRUE(placeGraph(graph, LayoutEngine::keep).ok);
    EXPECT_EQ(summary(graph).substr(0, 27), "window -1 -1 -1 | 0.9 0.9 >");
    EXPECT_GE(leastDistance(graph.vertices), vertexSpacing);
    for (const Vertex& v : graph.vertices)
        EXPECT_LT(std::max(std::fabs(v.x), std::fabs(v.y)), 0.985) << v.x << " " << v.y;
}

// Vertices all at one point are spread over the window while it can hold them
// 4 pixels apart; beyond that none moves, and the search stops at once.
TEST(ImportSpreads, AllThatFitAndNothingWhenTheWindowCannotHoldThem) {
    const std::pair<size_t, size_t> cases[] = {{1, 0}, {1000, 0}, {12000, 12000}};
    for (const auto& [count, crowded] : cases) {
        std::vector<Vertex> list(count, Vertex(0.25, 0.25));
        EXPECT_EQ(spreadApart(list, std::vector<bool>(count, true)), crowded) << count;
        if (crowded > 0) {
            EXPECT_TRUE(std::all_of(list.begin(), list.end(),
                                    [](const Vertex& v) { return v.x == 0.25 && v.y == 0.25; }));
            continue;
        }
        EXPECT_GE(leastDistance(list), vertexSpacing) << count;
        EXPECT_TRUE(insideWindow(list)) << count;
    }
}

// A graph of one big piece, a square mesh of the given number of vertices, and
// small ones: a path of five, a triangle, a pair and a lone vertex.
ImportedGraph bigAndSmallPieces(int32_t big) {
    ImportedGraph graph = unplacedGraph(big + 11);
    const auto side = static_cast<int32_t>(std::sqrt(static_cast<double>(big)));
    for (int32_t i = 0; i < big + 11; ++i) {
        std::vector<int32_t>& next = graph.vertices[static_cast<size_t>(i)].adjacency;
        next.clear();
        if (i < big && (i + 1) % side != 0 && i + 1 < big)
            next.push_back(i + 1);
        if (i < big && i + side < big)
            next.push_back(i + side);
    }
    const std::pair<int32_t, int32_t> small[] = {{0, 1}, {1, 2}, {2, 3}, {3, 4},
                                                 {5, 6}, {6, 7}, {7, 5}, {8, 9}};
    for (const auto& [from, to] : small)
        graph.vertices[static_cast<size_t>(big + from)].adjacency.push_back(big + to);
    return graph;
}

// Each piece's span, the larger side of its box, and the median length of its
// edges, in pixels.
std::vector<std::pair<double, double>> spansAndEdges(const std::vector<Vertex>& list) {
    std::vector<int32_t> piece;
    const size_t count = findPieces(list, piece);
    std::vector<std::vector<double>> x(count), y(count), lengths(count);
    for (size_t i = 0; i < list.size(); ++i) {
        const auto p = static_cast<size_t>(piece[i]);
        x[p].push_back(list[i].x);
        y[p].push_back(list[i].y);
        for (const int32_t k : list[i].adjacency)
            lengths[p].push_back(std::hypot(list[i].x - list[static_cast<size_t>(k)].x,
                                            list[i].y - list[static_cast<size_t>(k)].y));
    }
    std::vector<std::pair<double, double>> out;
    for (size_t p = 0; p < count; ++p) {
        const auto [left, right] = std::minmax_element(x[p].begin(), x[p].end());
        const auto [bottom, top] = std::minmax_element(y[p].begin(), y[p].end());
        std::sort(lengths[p].begin(), lengths[p].end());
        const double median = lengths[p].empty() ? 0 : lengths[p][lengths[p].size() / 2];
        out.emplace_back(std::max(*right - *left, *top - *bottom) * (windowPixels / 2.0),
                         median * (windowPixels / 2.0));
    }
    return out;
}

// Pieces of a graph are laid out at one scale and packed: the big one spans at
// least half the window, and no small one's edges are more than twice as long.
TEST(ImportLaysOutPieces, BigPieceSpansHalfTheWindowSmallOnesAtItsScale) {
    const std::pair<const char*, int32_t> cases[] = {{"keep", 100}, {"keep", 900}, {"neato", 400},
                                                     {"sfdp", 400}, {"fdp", 100},  {"dot", 100}};
    for (const auto& [name, big] : cases) {
        LayoutEngine engine = LayoutEngine::keep;
        ASSERT_TRUE(layoutEngineNamed(name, engine));
        ImportedGraph graph = bigAndSmallPieces(big);
        ASSERT_TRUE(placeGraph(graph, engine).ok) << name;
        EXPECT_TRUE(insideWindow(graph.vertices)) << name;
        const std::vector<std::pair<double, double>> pieces = spansAndEdges(graph.vertices);
        ASSERT_EQ(pieces.size(), 5u);
        EXPECT_GE(pieces[0].first, windowPixels / 2.0) << name << " " << big;
        for (size_t p = 1; p + 1 < pieces.size(); ++p)
            EXPECT_LE(pieces[p].second, 2 * pieces[0].second) << name << " " << big << " " << p;
    }
}

// Graph files of random graphs, with positions in the window and dragged
// outside it, repeated entries, self-edges and any selection, written by
// ruvo-export and read back, give the same bytes.
TEST(ImportReadsExports, GraphmlAndDotComeBackByteForByte) {
    std::mt19937 random(14);
    std::uniform_int_distribution<int> coin(0, 3);
    const std::function<double()> coordinates[] = {
        [&] { return std::uniform_real_distribution<double>(-1, 1)(random); },
        [&] { return std::uniform_int_distribution<int>(-200, 200)(random) / 200.0; },
        [&] { return std::uniform_real_distribution<double>(-40, 40)(random); },
        [&] { return std::uniform_real_distribution<double>(-9.9e11, 9.9e11)(random); }};
    for (int round = 0; round < 200; ++round) {
        const int32_t n = std::uniform_int_distribution<int32_t>(0, 12)(random);
        std::vector<Vertex> list;
        for (int32_t i = 0; i < n; ++i) {
            list.emplace_back(coordinates[coin(random)](), coordinates[coin(random)]());
            for (int32_t k = coin(random); k > 0; --k)
                list.back().adjacency.push_back(
                    std::uniform_int_distribution<int32_t>(0, n - 1)(random));
        }
        std::uniform_int_distribution<int32_t> anyVertex(-1, n - 1);
        GraphFile file;
        ASSERT_TRUE(parseGraph(formatGraph(list, anyVertex(random), anyVertex(random),
                                           anyVertex(random) + coin(random)),
                               file)
                        .ok);
        const std::string expected = formatGraph(file.vertices, file.selectedVertex,
                                                 file.selectedEdgeTarget, file.linkTarget);
        for (const ImportFormat format : {ImportFormat::graphml, ImportFormat::dot}) {
            const std::string exported =
                format == ImportFormat::dot ? exportDot(file) : exportGraphml(file);
            ImportedGraph graph;
            ASSERT_TRUE(read(format, exported, graph).ok) << exported;
            ASSERT_TRUE(placeGraph(graph, LayoutEngine::keep).ok);
            EXPECT_EQ(formatGraph(graph.vertices, graph.selectedVertex, graph.selectedEdgeTarget,
                                  graph.linkTarget),
                      expected)
                << exported;
        }
    }
}

// What DOT points cannot carry: the sign of a zero, and the last digits of a
// coordinate beyond exactPointsLimit.
TEST(ImportReadsExports, DotLosesOnlyTheSignOfZeroAndDigitsBeyondItsLimit) {
    GraphFile file;
    ASSERT_TRUE(parseGraph("-1 -1 -1 1\n-0.000000 3000000000000.000001 0\n", file).ok);
    ImportedGraph graph;
    ASSERT_TRUE(read(ImportFormat::dot, exportDot(file), graph).ok);
    EXPECT_FALSE(std::signbit(graph.vertices[0].x));
    EXPECT_NEAR(graph.vertices[0].y, 3e12, 1e-3);
}
