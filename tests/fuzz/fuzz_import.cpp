// libFuzzer target for ruvo-import's readers. The first byte picks the format
// (GraphML, GEXF, DOT, edge list, GML, by its value modulo 5), the rest is the
// file. The target aborts when
// one of the readers' promises breaks:
// - a refusal gives a reason, and a line of the input when it names one (DOT
//   may renumber its lines with "# N" directives);
// - nothing is written to standard output (a DOT parser may echo what it does
//   not understand);
// - an accepted graph has at most a vertex per input byte, every edge names a
//   vertex, every given position is finite;
// - scaled into the window, a drawing is finite and spans no more than 90 %;
// - written as a graph file, it reads back with nothing to repair.
#include "import/import_formats.h"
#include "import/placement.h"
#include "io/graph_file.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

// Reports which promise broke, with the input's first bytes, and aborts so the
// fuzzer keeps the input.
static void require(bool holds, const char* promise, const std::string& input) {
    if (holds)
        return;
    std::fprintf(stderr, "fuzz_import: %s\ninput (%zu bytes): %.200s\n", promise, input.size(),
                 input.c_str());
    std::abort();
}

// Tells whether a reason that starts "line N: " has N within the input's lines.
static bool namesALineOf(const std::string& reason, const std::string& input) {
    unsigned long line = 0;
    int used = 0;
    if (std::sscanf(reason.c_str(), "line %lu: %n", &line, &used) != 1 || used == 0)
        return reason.compare(0, 5, "line ") != 0;
    unsigned long lines = 1;
    for (size_t i = 0; i < input.size(); ++i)
        lines += input[i] == '\n' ||
                 (input[i] == '\r' && (i + 1 == input.size() || input[i + 1] != '\n'));
    return line >= 1 && line <= lines;
}

// Tells whether text has a line starting with '#', which Graphviz takes for a C
// preprocessor's line directive: "# 120" makes the next line line 120.
static bool hasLineDirective(const std::string& text) {
    for (size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
        if (text[at] == '#')
            return true;
        if (text.find('\n', at) == std::string::npos)
            break;
    }
    return false;
}

static bool edgesNameVertices(const ImportedGraph& graph) {
    const auto count = static_cast<int64_t>(graph.vertices.size());
    for (const Vertex& v : graph.vertices) {
        for (const int32_t target : v.adjacency) {
            if (target < 0 || target >= count)
                return false;
        }
    }
    return true;
}

static bool placedAreFinite(const ImportedGraph& graph) {
    for (size_t i = 0; i < graph.vertices.size(); ++i) {
        if (graph.placed[i] &&
            !(std::isfinite(graph.vertices[i].x) && std::isfinite(graph.vertices[i].y)))
            return false;
    }
    return true;
}

static bool withinDrawingSpan(const ImportedGraph& graph) {
    for (size_t i = 0; i < graph.vertices.size(); ++i) {
        const Vertex& v = graph.vertices[i];
        if (graph.placed[i] &&
            !(std::fabs(v.x) <= drawingSpan + 1e-9 && std::fabs(v.y) <= drawingSpan + 1e-9))
            return false;
    }
    return true;
}

// Reads input in format with standard output going to a file of its own, and
// tells whether anything was written to it.
static FileStatus readQuietly(const std::string& input, ImportFormat format, ImportedGraph& graph,
                              bool& wroteOutput) {
    wroteOutput = false;
#ifdef _WIN32
    return readImport(input, format, graph);
#else
    static FILE* const sink = std::tmpfile(); // catches standard output; null if none could be made
    if (sink == nullptr)
        return readImport(input, format, graph);
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    dup2(fileno(sink), STDOUT_FILENO);
    const long before = lseek(STDOUT_FILENO, 0, SEEK_END);
    const FileStatus status = readImport(input, format, graph);
    std::fflush(stdout);
    wroteOutput = lseek(STDOUT_FILENO, 0, SEEK_END) != before;
    dup2(saved, STDOUT_FILENO);
    close(saved);
    return status;
#endif
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const ImportFormat formats[] = {ImportFormat::graphml, ImportFormat::gexf, ImportFormat::dot,
                                    ImportFormat::edgelist, ImportFormat::gml};
    const ImportFormat format = formats[data[0] % 5];
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    ImportedGraph graph;
    bool wroteOutput = false;
    const FileStatus status = readQuietly(input, format, graph, wroteOutput);
    require(!wroteOutput, "the reader wrote to standard output", input);
    if (!status.ok) {
        require(!status.reason.empty(), "a refusal gives no reason", input);
        require((format == ImportFormat::dot && hasLineDirective(input)) ||
                    namesALineOf(status.reason, input),
                ("a refusal names a line the input lacks: " + status.reason).c_str(), input);
        return 0;
    }
    require(graph.placed.size() == graph.vertices.size(), "placed and vertices differ in length",
            input);
    require(graph.vertices.size() <= input.size() + 1, "more vertices than input bytes", input);
    require(edgesNameVertices(graph), "an edge names no vertex", input);
    require(placedAreFinite(graph), "a given position is not finite", input);

    if (graph.frame == Frame::drawing) {
        fitToWindow(graph.vertices, graph.placed);
        require(withinDrawingSpan(graph), "a scaled drawing leaves its 90 % of the window", input);
    }
    GraphFile file;
    moveIntoGraphFile(graph, file);
    repairReferences(file);
    GraphFile reread;
    const std::string written =
        formatGraph(file.vertices, file.selectedVertex, file.selectedEdgeTarget, file.linkTarget);
    require(parseGraph(written, reread).ok, "the graph file written is refused", input);
    require(repairReferences(reread).empty(), "the graph file written needs repair", input);
    return 0;
}
