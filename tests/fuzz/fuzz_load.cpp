// libFuzzer target for the graph file reader. Any bytes go through the loader's
// own steps, parseGraph then repairReferences, and the target aborts when one of
// the reader's promises breaks:
// - a refusal names the line it stopped on;
// - an accepted file echoes one line per vertex and per entry;
// - what it holds takes memory in proportion to the input;
// - after repair every entry and selection value (but the link target) is -1 or
//   names a vertex;
// - written back with formatGraph and read again, it is the same graph, with the
//   coordinates rounded to six decimals, and writing that gives the same bytes.
#include "io/graph_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Reports which promise broke, with the input's first bytes, and aborts so the
// fuzzer keeps the input.
static void require(bool holds, const char* promise, const std::string& input) {
    if (holds)
        return;
    std::fprintf(stderr, "fuzz_load: %s\ninput (%zu bytes): %.200s\n", promise, input.size(),
                 input.c_str());
    std::abort();
}

static bool namesVertex(const GraphFile& file, int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < file.vertices.size();
}

// Tells whether a refusal's reason starts "line N: " with N a line of the input.
static bool namesItsLine(const std::string& reason, const std::string& input) {
    unsigned long line = 0;
    int used = 0;
    if (std::sscanf(reason.c_str(), "line %lu: %n", &line, &used) != 1 || used == 0)
        return false;
    // Line ends as a reader sees them: LF, CR LF and a lone CR.
    unsigned long lines = 0;
    for (size_t i = 0; i < input.size(); ++i)
        lines += input[i] == '\n' ||
                 (input[i] == '\r' && (i + 1 == input.size() || input[i + 1] != '\n'));
    return line >= 1 && line <= lines + 1;
}

// The bytes the parsed file holds on to, counting what its vectors reserve.
static size_t heldBytes(const GraphFile& file) {
    size_t held = file.vertices.capacity() * sizeof(Vertex) + file.echo.capacity();
    for (const Vertex& v : file.vertices)
        held += v.adjacency.capacity() * sizeof(int32_t);
    return held;
}

static size_t entryCount(const GraphFile& file) {
    size_t entries = 0;
    for (const Vertex& v : file.vertices)
        entries += v.adjacency.size();
    return entries;
}

static bool referencesAreSound(const GraphFile& file) {
    for (const Vertex& v : file.vertices) {
        for (int32_t target : v.adjacency) {
            if (!namesVertex(file, target))
                return false;
        }
    }
    return (file.selectedVertex == -1 || namesVertex(file, file.selectedVertex)) &&
           (file.selectedEdgeTarget == -1 || namesVertex(file, file.selectedEdgeTarget));
}

// Tells whether b is within what writing a with six decimals and reading it
// back may change: half the last decimal plus the rounding of the read.
static bool sameRoundedCoordinate(double a, double b) {
    return std::fabs(a - b) <= 5e-7 + std::fabs(a) * 1e-15;
}

static bool sameRoundedGraph(const GraphFile& first, const GraphFile& second) {
    if (first.selectedVertex != second.selectedVertex ||
        first.selectedEdgeTarget != second.selectedEdgeTarget ||
        first.linkTarget != second.linkTarget || first.vertices.size() != second.vertices.size())
        return false;
    for (size_t i = 0; i < first.vertices.size(); ++i) {
        const Vertex& a = first.vertices[i];
        const Vertex& b = second.vertices[i];
        if (!sameRoundedCoordinate(a.x, b.x) || !sameRoundedCoordinate(a.y, b.y) ||
            a.adjacency != b.adjacency)
            return false;
    }
    return true;
}

static std::string format(const GraphFile& file) {
    return formatGraph(file.vertices, file.selectedVertex, file.selectedEdgeTarget,
                       file.linkTarget);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    GraphFile file;
    const FileStatus status = parseGraph(input, file);
    if (!status.ok) {
        require(namesItsLine(status.reason, input), "a refusal does not name its line", input);
        return 0;
    }
    const auto echoLines =
        static_cast<size_t>(std::count(file.echo.begin(), file.echo.end(), '\n'));
    require(echoLines == file.vertices.size() + entryCount(file),
            "the echo is not one line per vertex and entry", input);
    // A coordinate of a few bytes can echo as a few hundred ("1e300"), hence the factor.
    require(heldBytes(file) <= 128 * size + 4096, "the parsed file holds too much memory", input);

    repairReferences(file);
    require(referencesAreSound(file), "a reference names no vertex after repair", input);

    const std::string written = format(file);
    GraphFile reread;
    require(parseGraph(written, reread).ok, "the writer's output is refused", input);
    require(repairReferences(reread).empty(), "the writer's output needs repair", input);
    require(sameRoundedGraph(file, reread), "the graph read back differs", input);
    require(format(reread) == written, "writing the graph read back changes its bytes", input);
    return 0;
}
