// ruvo-export run as a user runs it, in a working directory of its own, and its
// output read back by the programs it is meant for: Graphviz, NetworkX and
// pdflatex.
#include "editor_fixture.h"
#include "run_command.h"

using Export = GraphFileTest;

namespace {

// Vertex 1 selected with its edge to 0, vertex 2 outside the window and the link
// target; vertex 0 has a repeated entry and a self-edge.
constexpr const char* exampleFile = "1\n0\n2\n3\n"
                                    "-0.500000 0.250000 3\n1\n1\n0\n"
                                    "0.500000 -0.250000 2\n0\n2\n"
                                    "2.500000 0.123457 0\n";

int runExport(const std::string& arguments) {
    return runCommand(std::string("'") + RUVO_EXPORT_BINARY + "' " + arguments);
}

// The nodes and edges of Graphviz's plain output, one "node NAME X Y FILL" or
// "edge TAIL HEAD COLOUR" line each, positions in points, sorted.
std::vector<std::string> plainGraph(const std::string& plain) {
    std::vector<std::string> found;
    std::istringstream lines(plain);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream in(line);
        std::vector<std::string> words{std::istream_iterator<std::string>(in), {}};
        char text[128];
        if (words.size() > 3 && words[0] == "node")
            std::snprintf(text, sizeof text, "node %s %.1f %.1f %s", words[1].c_str(),
                          std::stod(words[2]) * 72, std::stod(words[3]) * 72, words.back().c_str());
        else if (words.size() > 3 && words[0] == "edge")
            std::snprintf(text, sizeof text, "edge %s %s %s", words[1].c_str(), words[2].c_str(),
                          words.back().c_str());
        else
            continue;
        found.push_back(text);
    }
    std::sort(found.begin(), found.end());
    return found;
}

// The colour of each pixel of the binary PPM file at path, row by row, as
// 0xRRGGBB; empty if it cannot be read.
std::vector<uint32_t> readPpm(const std::string& path, int& width) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int height = 0, maximum = 0;
    in >> magic >> width >> height >> maximum;
    in.get();
    std::vector<uint32_t> pixels;
    for (char rgb[3]; magic == "P6" && in.read(rgb, 3);)
        pixels.push_back(uint32_t{static_cast<unsigned char>(rgb[0])} << 16 |
                         uint32_t{static_cast<unsigned char>(rgb[1])} << 8 |
                         static_cast<unsigned char>(rgb[2]));
    return pixels;
}

} // namespace

TEST_F(Export, GraphvizReadsTheDotFileBackWithPositionsEdgesAndSelection) {
    writeFile(graphFileName, exampleFile);
    ASSERT_EQ(runExport("-o graph.gv"), 0) << readFile("err.txt");
    ASSERT_EQ(runCommand("neato -n2 -Tpng graph.gv -o graph.png"), 0) << readFile("err.txt");
    EXPECT_EQ(readFile("err.txt"), "");
    ASSERT_EQ(runCommand("neato -n2 -Tplain graph.gv"), 0) << readFile("err.txt");
    EXPECT_EQ(readFile("err.txt"), "");
    EXPECT_EQ(
        plainGraph(readFile("out.txt")),
        (std::vector<std::string>{"edge 0 0 black", "edge 0 1 black", "edge 0 1 black",
                                  "edge 1 0 blue", "edge 1 2 black", "node 0 100.0 250.0 black",
                                  "node 1 300.0 150.0 red", "node 2 700.0 224.7 black"}));
}

TEST_F(Export, NetworkxReadsTheGraphmlFileBackAsAMultiDiGraph) {
    writeFile("in.ruv", exampleFile);
    ASSERT_EQ(runExport("-f graphml -o out.xml in.ruv"), 0) << readFile("err.txt");
    ASSERT_EQ(runCommand(python() + " '" RUVO_TEST_SOURCE "/graphml_read_back.py' out.xml"), 0)
        << readFile("err.txt");
    EXPECT_EQ(readFile("out.txt"), "MultiDiGraph 1 0 2\n"
                                   "n0 -0.500000 0.250000\nn1 0.500000 -0.250000\n"
                                   "n2 2.500000 0.123457\n"
                                   "n0 n1\nn0 n1\nn0 n0\nn1 n0\nn1 n2\n");
}

TEST_F(Export, RefusesBadInputWithTheEditorsMessagesAndLeavesTheOutputAlone) {
    writeFile("bad.ruv", "-1 -1 -1 3\n0.5 0.5 0\n");
    writeFile("old.svg", "kept");
    EXPECT_EQ(runExport("-o old.svg bad.ruv"), 1);
    EXPECT_EQ(readFile("err.txt"), "ruvo-export: bad.ruv not loaded: line 2: the file ends where "
                                   "an x coordinate should be\n");
    EXPECT_EQ(readFile("old.svg"), "kept");
    EXPECT_EQ(runExport("-f dot missing.ruv"), 1);
    EXPECT_EQ(readFile("err.txt"),
              "ruvo-export: missing.ruv not loaded: No such file or directory\n");
    EXPECT_EQ(runExport("-f svg - <bad.ruv"), 1);
    EXPECT_EQ(readFile("err.txt"), "ruvo-export: standard input not loaded: line 2: the file ends "
                                   "where an x coordinate should be\n");
    EXPECT_EQ(readFile("out.txt"), "");

    // References to missing vertices are repaired as a load repairs them.
    writeFile(graphFileName, "5 -1 -1 1 0 0 2 0 7");
    EXPECT_EQ(runExport("-f dot - <graph.ruv"), 0);
    EXPECT_EQ(readFile("err.txt"), "ruvo-export: standard input repaired: dropped 1 edge(s) to "
                                   "vertices that do not exist; cleared the selected vertex 5, "
                                   "which does not exist\n");
    EXPECT_NE(readFile("out.txt").find("0 -> 0;\n}\n"), std::string::npos);
    writeFile(graphFileName, exampleFile);
    fs::create_directory("taken.svg");
    EXPECT_EQ(runExport("-o taken.svg"), 1);
    EXPECT_EQ(readFile("err.txt").rfind("ruvo-export: graph not saved to taken.svg: ", 0), 0u);
}

TEST_F(Export, UsageErrorsExitWithTwoAndHelpAndVersionWithZero) {
    writeFile(graphFileName, exampleFile);
    for (const char* arguments :
         {"", "-o graph.bmp", "-f bmp", "-f", "-o", "-x -f svg", "-f svg a.ruv b.ruv",
          "-f svg -o ./graph.ruv", "-o -", "--standalone -o graph.svg", "--standalone -f dot",
          "--scale 2 -f svg", "--scale 0 -f png", "--scale 17 -o a.png", "--scale 2x -f png",
          "-f png --scale"}) {
        EXPECT_EQ(runExport(arguments), 2) << arguments;
        EXPECT_NE(readFile("err.txt").find("Usage: ruvo-export [-f svg|png|dot|graphml|tikz]"),
                  std::string::npos)
            << arguments;
        EXPECT_EQ(readFile("out.txt"), "") << arguments;
    }
    EXPECT_EQ(runExport("--version"), 0);
    EXPECT_EQ(readFile("out.txt"), "ruvo-export 1.0.0\n");
    EXPECT_EQ(runExport("--help"), 0);
    EXPECT_EQ(readFile("out.txt").rfind("Usage: ruvo-export [-f svg|png|dot|graphml|tikz] "
                                        "[--scale N] [--standalone] [-o OUTPUT]\n",
                                        0),
              0u);
    EXPECT_EQ(runExport("-o PICTURE.SVG"), 0);
    EXPECT_EQ(readFile("PICTURE.SVG").rfind("<?xml", 0), 0u);
}

TEST_F(Export, StandardStreamsServeAsInputAndOutputAndTheirFailuresSayWhy) {
    writeFile(graphFileName, exampleFile);
    EXPECT_EQ(runExport("-f dot -o -"), 0);
    EXPECT_EQ(readFile("out.txt").rfind("digraph ruvo {\n", 0), 0u);
    EXPECT_FALSE(fs::exists("-"));
    // A picture goes to standard output byte for byte as to a file.
    EXPECT_EQ(runExport("-o graph.png"), 0);
    EXPECT_EQ(readFile("graph.png").rfind("\x89PNG\r\n\x1a\n", 0), 0u);
    EXPECT_EQ(runExport("-f png --scale 1"), 0);
    EXPECT_EQ(readFile("out.txt"), readFile("graph.png"));

    const std::pair<const char*, const char*> failures[] = {
        {"-f dot >/dev/full", "graph not written to standard output: No space left on device"},
        {"-f dot - </tmp", "standard input not loaded: Is a directory"},
        {"-f dot /dev/null", "/dev/null not loaded: not a regular file"},
        {"-f dot -o /dev/null", "graph not saved to /dev/null: not a regular file"},
    };
    for (const auto& [arguments, reason] : failures) {
        // In a subshell, so that its own redirections are the ones that count.
        EXPECT_EQ(runCommand(std::string("('") + RUVO_EXPORT_BINARY + "' " + arguments + ")"), 1)
            << arguments;
        EXPECT_EQ(readFile("err.txt"), std::string("ruvo-export: ") + reason + "\n");
    }
}

// The standalone document compiles without a warning, and its page, rendered at
// 400 x 400 pixels, shows the vertices and edges where the window does, in its
// colours, clipped at its edge: vertex 1 selected with its edge to 0, and an
// edge from vertex 3 to vertex 2, which lies beyond what TeX can place.
TEST_F(Export, PdflatexCompilesTheTikzPictureWithTheWindowsLayout) {
    writeFile(graphFileName, "1\n0\n-1\n4\n"
                             "-0.5 0.5 1\n1\n"
                             "0.5 0.5 1\n0\n"
                             "1000 -0.5 0\n"
                             "-0.5 -0.5 1\n2\n");
    ASSERT_EQ(runExport("--standalone -o graph.tex"), 0) << readFile("err.txt");
    ASSERT_EQ(runCommand("pdflatex -interaction=nonstopmode -halt-on-error graph.tex"), 0)
        << "pdflatex (texlive-latex-base, texlive-pictures) failed: " << readFile("out.txt");
    const std::string log = readFile("graph.log");
    for (const char* complaint : {"Warning", "Overfull", "Underfull"})
        EXPECT_EQ(log.find(complaint), std::string::npos) << log;
    ASSERT_EQ(runCommand("pdftoppm -scale-to-x 400 -scale-to-y 400 graph.pdf page"), 0)
        << "pdftoppm (poppler-utils) failed: " << readFile("err.txt");
    int width = 0;
    const std::vector<uint32_t> page = readPpm("page-1.ppm", width);
    ASSERT_EQ(page.size(), 400u * 400u);
    // Squares of 4 pixels around (100, 100), (300, 100) and (100, 300); edges 2
    // pixels wide along rows 99 and 100 and rows 299 and 300.
    const struct {
        int x, y;
        uint32_t colour;
    } probes[] = {{98, 98, 0x000000},   {98, 101, 0x000000},  {97, 100, 0xffffff},
                  {301, 98, 0xff0000},  {301, 101, 0xff0000}, {302, 100, 0xffffff},
                  {200, 99, 0x0000ff},  {200, 100, 0x0000ff}, {200, 98, 0xffffff},
                  {200, 101, 0xffffff}, {98, 298, 0x000000},  {97, 300, 0xffffff},
                  {399, 299, 0x000000}, {399, 300, 0x000000}, {399, 301, 0xffffff}};
    for (const auto& probe : probes)
        EXPECT_EQ(page[static_cast<size_t>(probe.y * width + probe.x)], probe.colour)
            << "pixel (" << probe.x << ", " << probe.y << ")";
}
