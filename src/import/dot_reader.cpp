// DOT read by Graphviz's own parser (cgraph). A node's position is its pos
// attribute, "x,y" in points with y up, with or without a trailing '!'. A graph
// with the three selection attributes that ruvo-export writes is in the
// window's coordinates, 400 points across.
#include "companion/exact_drawing.h"
#include "import/graphviz_messages.h"
#include "import/readers.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <unordered_map>

// cgraph's scanner keeps what it has read beyond the end of a graph, and the next
// graph parsed in the same process would begin with it. aglexbad, which cgraph
// exports but does not declare in its headers, empties it.
extern "C" void aglexbad(void);

namespace {

// The line of the first NUL byte in text (Graphviz reads text only up to it).
size_t lineOfNul(const std::string& text) {
    const size_t at = text.find('\0');
    return 1 + static_cast<size_t>(
                   std::count(text.begin(), text.begin() + static_cast<long>(at), '\n'));
}

// Reads one coordinate of a pos attribute in frame.
bool readPosCoordinate(std::string_view text, Frame frame, double& value) {
    if (frame == Frame::window)
        return readPoints(text, value);
    return readNumber(text, value);
}

// Reads the pos attribute of the node called node into v; "" leaves it unplaced.
// Returns false, with the reason in why, for a position that is not two finite
// numbers.
bool readPos(std::string_view pos, Frame frame, Vertex& v, bool& placed, std::string& why) {
    placed = false;
    std::string_view rest = pos;
    while (!rest.empty() && rest.back() == ' ')
        rest.remove_suffix(1);
    if (rest.empty())
        return true;
    if (rest.back() == '!')
        rest.remove_suffix(1);
    // "x,y" or "x,y,z": the third coordinate is ignored.
    const size_t comma = rest.find(',');
    const std::string_view x = rest.substr(0, comma);
    const std::string_view y =
        comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    const std::string_view yOnly = y.substr(0, y.find(','));
    if (comma == std::string_view::npos || !readPosCoordinate(x, frame, v.x) ||
        !readPosCoordinate(yOnly, frame, v.y)) {
        why = "pos " + quote(pos) + " is not two numbers";
        return false;
    }
    if (!std::isfinite(v.x) || !std::isfinite(v.y)) {
        why = "pos " + quote(pos) + " is not finite";
        return false;
    }
    placed = true;
    return true;
}

// Reads the selection a graph from ruvo-export carries in its graph attributes,
// and sets the frame to the window's; a graph without them is left alone.
FileStatus readSelection(Agraph_t* g, ImportedGraph& graph) {
    Agsym_t* symbols[3] = {};
    for (size_t i = 0; i < 3; ++i) {
        symbols[i] = agattr(g, AGRAPH, graphvizText(selectionNames[i]), nullptr);
        if (symbols[i] == nullptr)
            return {};
    }
    graph.frame = Frame::window;
    int32_t* const values[3] = {&graph.selectedVertex, &graph.selectedEdgeTarget,
                                &graph.linkTarget};
    for (size_t i = 0; i < 3; ++i) {
        const char* const value = agxget(g, symbols[i]);
        if (!readVertexNumber(value, *values[i]))
            return {false, std::string(selectionNames[i]) + " " + quote(value) +
                               " is not a vertex number"};
    }
    return {};
}

// Takes g's nodes in the order the file first names them, with their positions.
FileStatus readNodes(Agraph_t* g, ImportedGraph& graph,
                     std::unordered_map<Agnode_t*, int32_t>& numbers) {
    Agsym_t* const pos = agattr(g, AGNODE, graphvizText("pos"), nullptr);
    for (Agnode_t* n = agfstnode(g); n != nullptr; n = agnxtnode(g, n)) {
        numbers.emplace(n, static_cast<int32_t>(graph.vertices.size()));
        graph.vertices.emplace_back(0, 0);
        bool placed = false;
        std::string why;
        if (pos != nullptr &&
            !readPos(agxget(n, pos), graph.frame, graph.vertices.back(), placed, why))
            return {false, "node " + quote(agnameof(n)) + ": " + why};
        graph.placed.push_back(placed);
    }
    return {};
}

// Stores every edge at its tail in file order. cgraph lists a node's out-edges
// by head, not as written, but numbers every edge in the order it was made.
void readEdges(Agraph_t* g, ImportedGraph& graph,
               const std::unordered_map<Agnode_t*, int32_t>& numbers) {
    std::vector<std::tuple<uint64_t, int32_t, int32_t>> edges; // sequence, tail, head
    for (Agnode_t* n = agfstnode(g); n != nullptr; n = agnxtnode(g, n)) {
        for (Agedge_t* e = agfstout(g, n); e != nullptr; e = agnxtout(g, e))
            edges.emplace_back(uint64_t{AGSEQ(e)}, numbers.at(agtail(e)), numbers.at(aghead(e)));
    }
    std::sort(edges.begin(), edges.end());
    for (const auto& [sequence, tail, head] : edges)
        graph.vertices[static_cast<size_t>(tail)].adjacency.push_back(head);
}

// The text cgraph reads from, and how much of it it has taken.
struct DotSource {
    const std::string& text;
    size_t at; // the part of text handed to cgraph
};

// cgraph's read function: hands over text up to a line end at a time, as
// agmemread does.
int readDotLine(void* channel, char* buffer, int size) {
    auto* source = static_cast<DotSource*>(channel);
    int length = 0;
    while (length < size && source->at < source->text.size()) {
        const char c = source->text[source->at++];
        buffer[length++] = c;
        if (c == '\n')
            break;
    }
    return length;
}

// Reads the graphs that follow the first from source, to count them; the graphs
// and whatever Graphviz says of them are dropped. Returns the warning to give,
// "" when the first graph is the only one.
std::string countGraphsLeftOut(DotSource& source, Agdisc_t& discipline) {
    GraphvizMessages messages;
    int more = 0;
    for (;;) {
        const GraphHandle g(agread(&source, &discipline));
        std::vector<std::string> dropped;
        const bool failed = !messages.takeInto(dropped).ok;
        if (failed)
            return "only the first graph is read; the rest of the file is left out";
        if (g == nullptr)
            break;
        ++more;
    }
    return more == 0 ? "" : firstGraphOnly(more);
}

} // namespace

FileStatus readDot(const std::string& text, ImportedGraph& graph) {
    if (text.find('\0') != std::string::npos)
        return {false, "line " + std::to_string(lineOfNul(text)) + ": a NUL byte"};
    GraphvizMessages messages;
    // Messages name no file (the caller does) and count lines from 1.
    aglexbad();
    agsetfile(nullptr);
    Agiodisc_t io = AgIoDisc;
    io.afread = readDotLine;
    Agdisc_t discipline = {&AgMemDisc, &AgIdDisc, &io};
    DotSource source{text, 0};
    const GraphHandle g(agread(&source, &discipline));
    FileStatus status = messages.takeInto(graph.warnings);
    if (status.ok && g == nullptr)
        status = {false, "no graph found"};
    if (!status.ok)
        return status;
    const std::string leftOut = countGraphsLeftOut(source, discipline);
    if (!leftOut.empty())
        graph.warnings.push_back(leftOut);
    status = readSelection(g.get(), graph);
    std::unordered_map<Agnode_t*, int32_t> numbers; // vertex number by node
    if (status.ok)
        status = readNodes(g.get(), graph, numbers);
    if (status.ok)
        readEdges(g.get(), graph, numbers);
    return status;
}
