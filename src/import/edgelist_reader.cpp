// Edge lists as NetworkX's write_edgelist writes them: one edge per line, its
// source and target names first, anything after them ignored, '#' starting a
// comment. A line with a single name names a vertex without edges.
#include "companion/progress.h"
#include "import/readers.h"

#include <string>

static bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// Returns the next blank-separated word of text from at, moving at past it; an
// empty view when there is none.
static std::string_view nextWord(std::string_view text, size_t& at) {
    while (at < text.size() && isBlank(text[at]))
        ++at;
    const size_t start = at;
    while (at < text.size() && !isBlank(text[at]))
        ++at;
    return text.substr(start, at - start);
}

// Adds the vertices and the edge a line names; returns false when the graph
// can hold no more vertices.
static bool readLine(std::string_view line, GraphBuilder& builder) {
    line = line.substr(0, line.find('#'));
    size_t at = 0;
    const std::string_view source = nextWord(line, at);
    if (source.empty())
        return true;
    const int32_t from = builder.vertexNamed(source);
    const std::string_view target = nextWord(line, at);
    if (target.empty())
        return from >= 0;
    const int32_t to = builder.vertexNamed(target);
    if (from < 0 || to < 0)
        return false;
    builder.addEdge(from, to);
    return true;
}

FileStatus readEdgeList(const std::string& text, ImportedGraph& graph) {
    GraphBuilder builder(graph);
    const std::string_view all(text);
    size_t line = 1;
    for (size_t at = 0; at < all.size(); ++line) {
        // Line ends as the graph file counts them: LF, CR LF and a lone CR.
        size_t end = at;
        while (end < all.size() && all[end] != '\n' && all[end] != '\r')
            ++end;
        if (!readLine(all.substr(at, end - at), builder))
            return {false, "line " + std::to_string(line) + ": " + tooManyVertices};
        if (end + 1 < all.size() && all[end] == '\r' && all[end + 1] == '\n')
            ++end;
        at = end + 1;
        reportReadShare(at, all.size());
    }
    builder.storeEdges();
    return {};
}
