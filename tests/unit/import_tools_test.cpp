// ruvo-import run as a user runs it, in a working directory of its own, on
// files from the programs people import from: NetworkX, Graphviz and ruvo-export.
#include "editor_fixture.h"
#include "run_command.h"

#include <cmath>

using Import = GraphFileTest;

namespace {

int runImport(const std::string& arguments) {
    return runCommand(std::string("'") + RUVO_IMPORT_BINARY + "' " + arguments);
}

int runExport(const std::string& arguments) {
    return runCommand(std::string("'") + RUVO_EXPORT_BINARY + "' " + arguments);
}

// The positions of the graph file text, in file order.
std::vector<std::pair<double, double>> positionsOf(const std::string& text) {
    GraphFile file;
    EXPECT_TRUE(parseGraph(text, file).ok) << text;
    std::vector<std::pair<double, double>> positions;
    for (const Vertex& v : file.vertices)
        positions.emplace_back(v.x, v.y);
    return positions;
}

} // namespace

// NetworkX's drawing, 10 wide and 5 high, scaled to span 90 % of the window.
TEST_F(Import, NetworkxGraphmlAndGexfKeepTheirDrawingScaledIntoTheWindow) {
    for (const char* format : {"graphml", "gexf"}) {
        const std::string input = std::string("drawn.") + format;
        ASSERT_EQ(runCommand(python() + " '" RUVO_TEST_SOURCE "/networkx_write.py' " + format +
                             " " + input),
                  0)
            << readFile("err.txt");
        EXPECT_EQ(runImport("--force " + input), 0) << readFile("err.txt");
        EXPECT_EQ(readFile("err.txt"), "");
        EXPECT_EQ(readFile(graphFileName), asWritten("-1\n-1\n-1\n3\n"
                                                     "0.900000 0.450000 1\n1\n"
                                                     "-0.900000 -0.450000 3\n2\n2\n1\n"
                                                     "0.900000 -0.450000 0\n"))
            << format;
    }
}

// neato -Tdot writes pos in points; the import keeps neato's drawing.
TEST_F(Import, NeatoPositionedDotKeepsItsDrawing) {
    writeFile("plain.dot", "graph { a -- b -- c -- a; c -- d; d -- e; e -- c }\n");
    ASSERT_EQ(runCommand("neato -Tdot plain.dot -o drawn.dot"), 0) << readFile("err.txt");
    ASSERT_EQ(runCommand("neato -n -Tplain drawn.dot"), 0) << readFile("err.txt");
    // Graphviz's plain output: "node NAME X Y ..." in inches, in node order.
    std::vector<Vertex> drawn;
    std::istringstream plain(readFile("out.txt"));
    for (std::string word; plain >> word;) {
        if (word == "node") {
            std::string name;
            double x = 0;
            double y = 0;
            plain >> name >> x >> y;
            drawn.emplace_back(x, y);
        }
    }
    ASSERT_EQ(drawn.size(), 5u);
    ASSERT_EQ(runImport("drawn.dot"), 0) << readFile("err.txt");
    const auto imported = positionsOf(readFile(graphFileName));
    ASSERT_EQ(imported.size(), 5u);
    // Any two vertices are as far apart, relative to the first two, as neato drew them.
    const auto distance = [](double ax, double ay, double bx, double by) {
        return std::hypot(ax - bx, ay - by);
    };
    const double scale =
        distance(imported[0].first, imported[0].second, imported[1].first, imported[1].second) /
        distance(drawn[0].x, drawn[0].y, drawn[1].x, drawn[1].y);
    for (size_t i = 0; i < 5; ++i) {
        for (size_t j = i + 1; j < 5; ++j)
            EXPECT_NEAR(distance(imported[i].first, imported[i].second, imported[j].first,
                                 imported[j].second),
                        scale * distance(drawn[i].x, drawn[i].y, drawn[j].x, drawn[j].y), 1e-3);
    }
}

// Random graph files, positions in the window and dragged outside it, through
// both programs and back.
TEST_F(Import, ExportedGraphmlAndDotComeBackByteForByte) {
    std::mt19937 random(1414);
    for (int round = 0; round < 4; ++round) {
        std::vector<Vertex> list;
        const int n = 5 + round * 7;
        std::uniform_real_distribution<double> place(-3, 3);
        std::uniform_int_distribution<int32_t> target(0, n - 1);
        for (int i = 0; i < n; ++i) {
            list.emplace_back(place(random), place(random));
            list.back().adjacency = {target(random), target(random), i};
        }
        const std::string original = formatGraph(list, target(random), target(random), -1);
        writeFile("original.ruv", original);
        for (const char* output : {"g.graphml", "g.dot", "g.gv"}) {
            ASSERT_EQ(runExport(std::string("-o ") + output + " original.ruv"), 0);
            ASSERT_EQ(runImport(std::string("--force -o back.ruv ") + output), 0)
                << readFile("err.txt");
            EXPECT_EQ(readFile("back.ruv"), asWritten(original)) << output;
        }
    }
}

// An edge list has no positions: every engine lays it out inside the window,
// vertices apart, and the same input gives the same file.
TEST_F(Import, GraphWithoutPositionsLaidOutInsideTheWindowApartTheSameEachTime) {
    std::string edges = "# a ring of 30 with chords\n";
    for (int i = 0; i < 30; ++i)
        edges += "v" + std::to_string(i) + " v" + std::to_string((i + 1) % 30) + " {}\nv" +
                 std::to_string(i) + " v" + std::to_string(i * 7 % 30) + "\n";
    writeFile("ring.edges", edges);
    for (const char* engine : {"keep", "neato", "fdp", "sfdp", "circo", "twopi", "dot"}) {
        ASSERT_EQ(runImport(std::string("--layout ") + engine + " -o first.ruv --force ring.edges"),
                  0)
            << engine << readFile("err.txt");
        ASSERT_EQ(runImport(std::string("--layout=") + engine + " -o - ring.edges"), 0);
        EXPECT_EQ(readFile("out.txt"), readFile("first.ruv")) << engine;
        const auto positions = positionsOf(readFile("first.ruv"));
        ASSERT_EQ(positions.size(), 30u);
        for (size_t i = 0; i < positions.size(); ++i) {
            EXPECT_LE(std::max(std::fabs(positions[i].first), std::fabs(positions[i].second)),
                      0.99);
            for (size_t j = 0; j < i; ++j)
                EXPECT_GE(std::hypot(positions[i].first - positions[j].first,
                                     positions[i].second - positions[j].second) *
                              200,
                          4)
                    << engine << " " << i << " " << j;
        }
    }
}

struct Refusal {
    const char* arguments;
    const char* input;   // written to in.* first
    const char* message; // the one line on standard error
};

// Refused input: exit status 1, one line naming the input, nothing on standard
// output and no graph file.
TEST_F(Import, RefusedInputSaysWhyInOneLineAndWritesNothing) {
    const Refusal refusals[] = {
        {"in.graphml", "<graphml><graph>\n<node id=\"a\">\n</graph></graphml>",
         "ruvo-import: in.graphml not imported: line 3: mismatched tag\n"},
        {"-f graphml -",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE g [<!ENTITY e SYSTEM \"/etc/passwd\">]>"
         "\n<graphml>&e;</graphml>",
         "ruvo-import: standard input not imported: line 3: refers to the external entity "
         "\"/etc/passwd\", which is never loaded\n"},
        {"in.gv", "digraph {\n a -> b -> }\n",
         "ruvo-import: in.gv not imported: line 2: syntax error near '}'\n"},
        {"in.dot", "digraph { a [pos=\"inf,0\"] }",
         "ruvo-import: in.dot not imported: node \"a\": pos \"inf,0\" is not finite\n"},
        {"missing.edges", nullptr,
         "ruvo-import: missing.edges not imported: No such file or directory\n"},
    };
    for (const Refusal& refusal : refusals) {
        if (refusal.input != nullptr) {
            writeFile("in.graphml", refusal.input);
            writeFile("in.gv", refusal.input);
            writeFile("in.dot", refusal.input);
        }
        const std::string arguments = refusal.arguments;
        EXPECT_EQ(runImport(arguments + (arguments.back() == '-' ? " <in.graphml" : "")), 1)
            << arguments;
        EXPECT_EQ(readFile("err.txt"), refusal.message);
        EXPECT_EQ(readFile("out.txt"), "");
        EXPECT_FALSE(fs::exists(graphFileName));
    }
}

TEST_F(Import, AnExistingGraphFileIsKeptWithoutForce) {
    writeFile(graphFileName, twoVertexFile);
    writeFile("one.edges", "a b\n");
    EXPECT_EQ(runImport("one.edges"), 1);
    EXPECT_EQ(readFile("err.txt"), "ruvo-import: graph.ruv exists; give --force to replace it\n");
    EXPECT_EQ(readFile(graphFileName), twoVertexFile);
    EXPECT_EQ(runImport("--force one.edges"), 0);
    EXPECT_EQ(positionsOf(readFile(graphFileName)).size(), 2u);
    EXPECT_EQ(directoryListing(),
              (std::vector<std::string>{"err.txt", "graph.ruv", "one.edges", "out.txt"}));
}

TEST_F(Import, UsageErrorsExitWithTwoAndHelpAndVersionWithZero) {
    writeFile("in.edges", "a b\n");
    // Neither its name nor its content says what in.txt is.
    writeFile("in.txt", "a b\n");
    for (const char* arguments : {"", "-", "in.txt", "-f xml in.edges", "-f", "-o", "--layout",
                                  "--layout=", "--layout spring in.edges", "-x in.edges",
                                  "in.edges in.edges", "-o in.edges in.edges"}) {
        EXPECT_EQ(runImport(arguments), 2) << arguments;
        EXPECT_NE(readFile("err.txt").find("Usage: ruvo-import [-f graphml|gexf|gml|dot|edgelist]"),
                  std::string::npos)
            << arguments;
        EXPECT_EQ(readFile("out.txt"), "") << arguments;
    }
    EXPECT_FALSE(fs::exists(graphFileName));
    EXPECT_EQ(runImport("--version"), 0);
    EXPECT_EQ(readFile("out.txt"), "ruvo-import 1.0.0\n");
    EXPECT_EQ(runImport("--help"), 0);
    EXPECT_EQ(readFile("out.txt").rfind("Usage: ruvo-import ", 0), 0u);
    EXPECT_EQ(runImport("-f edgelist - <in.edges"), 0) << readFile("err.txt");
    EXPECT_EQ(positionsOf(readFile(graphFileName)).size(), 2u);
}

struct NamedInput {
    const char* file;      // written with content, then gzipped when it ends in .gz or z
    const char* content;   //
    const char* arguments; // before the file's name
    int status;            // the exit status
    const char* message;   // the one line on standard error; "" for none
    size_t vertices;       // in the graph file written
};

// The content decides where it plainly says its format, the name elsewhere, -f
// always; compressed files are read through.
TEST_F(Import, FormatFromTheContentTheNameOrMinusF) {
    const char* const dot = "digraph { a -> b -> c }\n";
    const char* const graphml = "<?xml version=\"1.0\"?>\n<graphml><graph><node id=\"a\"/>"
                                "</graph></graphml>\n";
    const NamedInput inputs[] = {
        {"tinkerpop.xml", graphml, "", 0, "", 1},
        {"gexf.graphml",
         "<gexf><graph><nodes><node id=\"1\"/><node id=\"2\"/></nodes></graph></gexf>", "", 0, "",
         2},
        {"dot.edges", dot, "", 0, "", 3},
        {"dot.edges", dot, "-f edgelist", 0, "", 2},
        {"path.gml.gz", "graph [ edge [ source 1 target 2 ] ]", "", 0, "", 2},
        {"yed.graphmlz", graphml, "", 0, "", 1},
        {"data.txt.gz", dot, "", 0, "", 3},
        {"two.gv", "graph { a } graph { b }", "", 0,
         "ruvo-import: two.gv: only the first graph is read; 1 more is left out\n", 1},
        {"data.txt.gz", "a b\n", "", 2,
         "ruvo-import: no format: give -f graphml|gexf|gml|dot|edgelist, or an INPUT ending in "
         ".graphml, .gexf, .gml, .dot, .gv, .edgelist or .edges\n",
         0},
        {"bad.gml", "graph [ node [ ] ]", "", 1,
         "ruvo-import: bad.gml not imported: line 1: a node without an id\n", 0},
    };
    for (const NamedInput& input : inputs) {
        std::string name = input.file;
        const bool compressed = name.back() == 'z';
        writeFile(compressed ? "plain" : name, input.content);
        if (compressed) {
            ASSERT_EQ(runCommand("(gzip -c plain >" + name + ")"), 0);
        }
        const int status = runImport(std::string(input.arguments) + " --force " + name);
        EXPECT_EQ(status, input.status) << name << " " << readFile("err.txt");
        const std::string errors = readFile("err.txt");
        EXPECT_EQ(errors.substr(0, errors.find("Usage:")), input.message) << name;
        if (status == 0) {
            EXPECT_EQ(positionsOf(readFile(graphFileName)).size(), input.vertices) << name;
        }
    }
}

// Each program limited to 60 MB of address space, with an input that needs more
// (for the GraphML reader, while expat calls it; for the path, while Graphviz
// lays it out): one line, status 1, nothing
// written. AddressSanitizer reserves terabytes of
// address space at start, so a sanitizer build cannot run under a limit at all.
TEST_F(Import, OutOfMemoryIsARefusalInOneLine) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer cannot run under an address-space limit";
#endif
    std::string edges;
    std::string file = "-1\n-1\n-1\n1500000\n";
    for (int i = 0; i < 1500000; ++i) {
        edges += std::to_string(i) + " " + std::to_string(i + 1) + "\n";
        file += "0.5 0.5 0\n";
    }
    std::string graphml = "<graphml><graph>";
    for (int i = 0; i < 400000; ++i)
        graphml += "<node id=\"" + std::to_string(i) + "\"/><edge source=\"" + std::to_string(i) +
                   "\" target=\"v" + std::to_string(i) + "\"/>";
    writeFile("big.edges", edges);
    // Read in a few megabytes, but too large for Graphviz to lay out in what is left.
    writeFile("path.edges", edges.substr(0, edges.find("\n60000 ")));
    writeFile("big.graphml", graphml + "</graph></graphml>");
    writeFile("big.ruv", file);
    const std::pair<std::string, std::string> runs[] = {
        {std::string("'") + RUVO_IMPORT_BINARY + "' -o out.ruv big.edges",
         "ruvo-import: big.edges not imported: out of memory\n"},
        {std::string("'") + RUVO_IMPORT_BINARY + "' -o out.ruv path.edges",
         "ruvo-import: path.edges not imported: out of memory\n"},
        {std::string("'") + RUVO_IMPORT_BINARY + "' -o out.ruv big.graphml",
         "ruvo-import: big.graphml not imported: out of memory\n"},
        {std::string("'") + RUVO_EXPORT_BINARY + "' -o out.svg big.ruv",
         "ruvo-export: big.ruv not loaded: out of memory\n"},
        {std::string("'") + RUVO_EXPORT_BINARY + "' -f svg - <big.ruv",
         "ruvo-export: standard input not loaded: out of memory\n"}};
    for (const auto& [command, message] : runs) {
        EXPECT_EQ(runCommand("ulimit -v 60000; " + command), 1) << command;
        EXPECT_EQ(readFile("err.txt"), message);
        EXPECT_EQ(readFile("out.txt"), "");
    }
    EXPECT_FALSE(fs::exists("out.ruv"));
    EXPECT_FALSE(fs::exists("out.svg"));
}

// On a terminal each step shows one line, redrawn in place and cleared at the
// end; with standard error in a file nothing of it is written. The delay before
// a step shows is made 0 so that the small graph's steps show at all. The
// drawing is kept, so no layout leaves Graphviz's leaks to the sanitizer's report.
TEST_F(Import, ProgressShowsOnATerminalOnly) {
    writeFile(graphFileName, twoVertexFile);
    const std::string delay = "RUVO_PROGRESS_DELAY_MS=0 ";
    const std::string onTerminal =
        delay + python() + " -c 'import pty, sys; sys.exit(pty.spawn(sys.argv[1:]) >> 8)' ";
    const std::string exporter =
        std::string("'") + RUVO_EXPORT_BINARY + "' -f graphml -o in.graphml graph.ruv";
    const std::string importer = std::string("'") + RUVO_IMPORT_BINARY + "' --force in.graphml";
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {exporter, {"\rruvo-export: writing in.graphml, 2 vertices, 0 s"}},
        {importer,
         {"\rruvo-import: reading in.graphml", "\rruvo-import: laying out, 2 vertices, 0 s",
          "\rruvo-import: writing graph.ruv, 2 vertices, 0 s"}}};
    for (const auto& [command, steps] : cases) {
        ASSERT_EQ(runCommand(onTerminal + command + " </dev/null"), 0) << readFile("err.txt");
        const std::string shown = readFile("out.txt");
        size_t at = 0;
        for (const std::string& step : steps) {
            at = shown.find(step, at);
            ASSERT_NE(at, std::string::npos) << step << " in " << shown;
        }
        const size_t blank = shown.rfind("\r", shown.size() - 2);
        EXPECT_EQ(shown.back(), '\r') << shown;
        EXPECT_EQ(shown.find_first_not_of(' ', blank + 1), shown.size() - 1) << shown;
        ASSERT_EQ(runCommand(delay + command), 0) << readFile("err.txt");
        EXPECT_EQ(readFile("err.txt"), "") << command;
    }
}
