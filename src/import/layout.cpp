#include "import/layout.h"

#include "companion/command_line.h"
#include "import/graphviz_messages.h"
#include "import/graphviz_plugins.h"
#include "import/pieces.h"
#include "import/placement.h"

#include <gvc.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

namespace {

const std::pair<const char*, LayoutEngine> engines[] = {
    {"keep", LayoutEngine::keep}, {"neato", LayoutEngine::neato}, {"fdp", LayoutEngine::fdp},
    {"sfdp", LayoutEngine::sfdp}, {"circo", LayoutEngine::circo}, {"twopi", LayoutEngine::twopi},
    {"dot", LayoutEngine::dot}};

const char* engineName(LayoutEngine engine) {
    for (const auto& [name, named] : engines) {
        if (named == engine)
            return name;
    }
    return "neato";
}

// The window's 2 units span as many points in Graphviz's drawing of it as the
// window has pixels.
constexpr double pointsPerUnit = windowPixels / 2.0;
constexpr double pointsPerInch = 72;

struct ContextFree {
    void operator()(GVC_t* context) const { gvFreeContext(context); }
};

// What Graphviz is asked to lay out: the vertices, pinned ones at their place.
struct LayoutRequest {
    LayoutEngine engine;      // not keep
    double nodeInches;        // the side of a vertex's square as Graphviz sees it
    double edgeInches;        // the length edges should have; 0 for the engine's own
    std::vector<bool> pinned; // vertices that keep their place; all false for none
    bool anyPinned;           // whether pinned marks any vertex
    bool removeOverlaps;      // whether Graphviz removes overlaps itself
};

bool finitePositions(const std::vector<Vertex>& list) {
    return std::all_of(list.begin(), list.end(),
                       [](const Vertex& v) { return std::isfinite(v.x) && std::isfinite(v.y); });
}

// Makes the Graphviz graph of the vertices in list: node i is vertex i, one
// edge per entry.
Agraph_t* makeGraph(const std::vector<Vertex>& list, const LayoutRequest& request) {
    Agraph_t* const g = agopen(graphvizText("ruvo"), Agdirected, nullptr);
    // No edge is drawn, so none is routed; random starts have a fixed seed.
    agattr(g, AGRAPH, graphvizText("splines"), graphvizText(""));
    // Overlaps are removed by vpsc, which every build of Graphviz has and which
    // moves vertices least. What overlap=false means depends on the build: prism
    // needs a triangulation library, without which Graphviz falls back to
    // Voronoi, which spreads a drawing far apart and, from one layout to the next
    // in a process, keeps a flag that changes the result.
    agattr(g, AGRAPH, graphvizText("overlap"),
           graphvizText(request.removeOverlaps ? "vpsc" : "true"));
    agattr(g, AGRAPH, graphvizText("start"), graphvizText("1"));
    if (request.anyPinned) {
        // Pinned positions are given in points, which neato and fdp would
        // otherwise take for inches.
        agattr(g, AGRAPH, graphvizText("inputscale"), graphvizText("72"));
        // neato's stress majorization solves for pinned nodes as for the others
        // and then keeps them where they were, so the rest ends up offset from
        // them; Kamada-Kawai's springs pull on the pinned ones as they are. Parts
        // of the graph with no pinned vertex are packed beside the rest rather
        // than pushed out as far as the graph is wide.
        agattr(g, AGRAPH, graphvizText("mode"), graphvizText("KK"));
        agattr(g, AGRAPH, graphvizText("pack"), graphvizText("true"));
    }
    const std::string size = std::to_string(request.nodeInches);
    agattr(g, AGNODE, graphvizText("shape"), graphvizText("box"));
    agattr(g, AGNODE, graphvizText("fixedsize"), graphvizText("true"));
    agattr(g, AGNODE, graphvizText("label"), graphvizText(""));
    agattr(g, AGNODE, graphvizText("width"), graphvizText(size.c_str()));
    agattr(g, AGNODE, graphvizText("height"), graphvizText(size.c_str()));
    Agsym_t* const pos = agattr(g, AGNODE, graphvizText("pos"), graphvizText(""));
    Agsym_t* const pin = agattr(g, AGNODE, graphvizText("pin"), graphvizText("false"));
    if (request.edgeInches > 0) {
        agattr(g, AGEDGE, graphvizText("len"),
               graphvizText(std::to_string(request.edgeInches).c_str()));
        agattr(g, AGRAPH, graphvizText("K"),
               graphvizText(std::to_string(request.edgeInches).c_str()));
    }

    std::vector<Agnode_t*> nodes;
    nodes.reserve(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        nodes.push_back(agnode(g, graphvizText(std::to_string(i).c_str()), 1));
        if (!request.pinned[i])
            continue;
        const std::string place = std::to_string((list[i].x + 1) * pointsPerUnit) + "," +
                                  std::to_string((list[i].y + 1) * pointsPerUnit) + "!";
        agxset(nodes.back(), pos, graphvizText(place.c_str()));
        agxset(nodes.back(), pin, graphvizText("true"));
    }
    for (size_t i = 0; i < list.size(); ++i) {
        for (const int32_t k : list[i].adjacency)
            agedge(g, nodes[i], nodes[static_cast<size_t>(k)], nullptr, 1);
    }
    return g;
}

// Tells whether the memory Graphviz is likely to need for a layout of list can
// be had. Graphviz does not survive running out of memory: its allocators print
// a word and return null, which its callers then use. So that a layout too large
// for the memory left is a refusal and not a crash, that much is allocated, and
// given back, before Graphviz starts. Measured: sfdp peaks at about 2.6 kB a
// vertex on a path, 10 MB to start with; the estimate leaves room on top.
bool graphvizMemoryAvailable(const std::vector<Vertex>& list) {
    size_t edges = 0;
    for (const Vertex& vertex : list)
        edges += vertex.adjacency.size();
    const size_t bytes = (size_t{16} << 20) + list.size() * 3072 + edges * 512;
    void* const room = std::malloc(bytes);
    // Through a volatile, which keeps the compiler from dropping an allocation
    // that is never used, and taking its success for granted.
    void* volatile given = room;
    std::free(given);
    return room != nullptr;
}

// Lays out the vertices in list as request says and moves each vertex that is
// not pinned to where Graphviz put it, in window coordinates taking a point for
// a pixel.
FileStatus runGraphviz(std::vector<Vertex>& list, const LayoutRequest& request,
                       std::vector<std::string>& warnings) {
    if (!graphvizMemoryAvailable(list))
        return {false, outOfMemory};
    GraphvizMessages messages;
    const std::unique_ptr<GVC_t, ContextFree> context(openGraphviz());
    if (context == nullptr)
        return {false, "Graphviz could not start"};
    const GraphHandle g(makeGraph(list, request));
    // Besides the seed given as start, the engines draw numbers from the C
    // library's rand, which nothing seeds: seeded here, every layout of one graph
    // starts alike, even a second one in the same process.
    std::srand(1);
    const int laidOut = gvLayout(context.get(), g.get(), engineName(request.engine));
    const std::string engine = engineName(request.engine);
    FileStatus status =
        messages.takeInto(warnings, "Graphviz's " + engine + " failed: ", engine + ": ");
    if (status.ok && laidOut != 0)
        status = {false, "Graphviz's " + engine + " failed"};
    // Graphviz moves the whole drawing to put its corner at the origin, pinned
    // vertices too; moved back by as much, pinned vertices are where they were
    // given and the others where Graphviz put them around them.
    double shift[2] = {};
    size_t i = 0;
    for (Agnode_t* n = agfstnode(g.get()); status.ok && n != nullptr;
         n = agnxtnode(g.get(), n), ++i) {
        if (request.pinned[i]) {
            shift[0] = (list[i].x + 1) * pointsPerUnit - ND_coord(n).x;
            shift[1] = (list[i].y + 1) * pointsPerUnit - ND_coord(n).y;
            break;
        }
    }
    i = 0;
    for (Agnode_t* n = agfstnode(g.get()); status.ok && n != nullptr;
         n = agnxtnode(g.get(), n), ++i) {
        if (request.pinned[i])
            continue;
        list[i].x = (ND_coord(n).x + shift[0]) / pointsPerUnit - 1;
        list[i].y = (ND_coord(n).y + shift[1]) / pointsPerUnit - 1;
    }
    gvFreeLayout(context.get(), g.get());
    if (status.ok && !finitePositions(list))
        return {false, "Graphviz's " + engine + " placed a vertex at no finite position"};
    return status;
}

// Lays out the vertices that are not pinned around the pinned ones, which
// Graphviz cannot move: a layout reaching out of the window is done again with
// edges shorter by as much as it overreaches and a tenth more, a few times at
// most, and never shorter than two vertices' spacing.
FileStatus layOutAround(std::vector<Vertex>& list, LayoutRequest& request,
                        std::vector<std::string>& warnings) {
    constexpr int attempts = 3;
    const double shortest = 2 * vertexSpacing / pointsPerInch;
    const size_t known = warnings.size();
    for (int attempt = 1;; ++attempt) {
        const FileStatus status = runGraphviz(list, request, warnings);
        if (!status.ok)
            return status;
        const double factor = shrinkIntoWindow(list, request.pinned);
        if (factor >= 1 || attempt == attempts || request.edgeInches <= shortest)
            return status;
        request.edgeInches = std::max(shortest, 0.9 * factor * request.edgeInches);
        warnings.resize(known);
    }
}

// The side of a vertex as Graphviz is told it for a layout from scratch, in
// inches: about a third of the distance the engine puts between neighbours
// (neato's edges are an inch long, fdp's and sfdp's about 0.3 inch).
double nodeInches(LayoutEngine engine) {
    switch (engine) {
    case LayoutEngine::sfdp:
    case LayoutEngine::fdp:
        return 0.1;
    case LayoutEngine::neato:
    case LayoutEngine::circo:
        return 0.3;
    case LayoutEngine::keep:
    case LayoutEngine::twopi:
    case LayoutEngine::dot:
        break;
    }
    return 0.2;
}

// Lays out the vertices that are not pinned as request says, scales the whole
// drawing into the window when scaled, and spreads what was laid out. Returns
// the outcome.
FileStatus layOut(std::vector<Vertex>& list, LayoutRequest request, bool scaled,
                  std::vector<std::string>& warnings) {
    const FileStatus status = request.anyPinned ? layOutAround(list, request, warnings)
                                                : runGraphviz(list, request, warnings);
    if (!status.ok)
        return status;
    // Engines lay out each piece of a graph at a scale of its own; brought to
    // one scale, the pieces are packed again.
    if (!request.anyPinned)
        packPieces(list);
    if (scaled)
        fitToWindow(list, std::vector<bool>(list.size(), true));
    std::vector<bool> laidOut(list.size());
    for (size_t i = 0; i < list.size(); ++i)
        laidOut[i] = !request.pinned[i];
    spreadApart(list, laidOut);
    return {};
}

} // namespace

bool layoutEngineNamed(const std::string& name, LayoutEngine& engine) {
    return findNamed(engines, name, engine);
}

FileStatus placeGraph(ImportedGraph& graph, LayoutEngine engine) {
    std::vector<Vertex>& list = graph.vertices;
    const size_t count = list.size();
    std::vector<bool> given =
        engine == LayoutEngine::keep ? graph.placed : std::vector<bool>(count, false);
    const auto givenCount = static_cast<size_t>(std::count(given.begin(), given.end(), true));
    // A drawing in the window frame stays as it is; any other is scaled, with
    // what is laid out around it.
    const bool scaled = graph.frame == Frame::drawing || givenCount == 0;
    if (givenCount > 0 && graph.frame == Frame::drawing)
        fitToWindow(list, given);
    graph.placed.assign(count, true);
    graph.frame = Frame::window;
    if (givenCount == count)
        return {};

    LayoutRequest request{engine, 0, 0, std::move(given), givenCount > 0, true};
    if (givenCount == 0) {
        if (engine == LayoutEngine::keep)
            request.engine = count < largeGraph ? LayoutEngine::neato : LayoutEngine::sfdp;
        request.nodeInches = nodeInches(request.engine);
        // vpsc's time grows much faster than the layout's: a large graph is
        // kept apart by spreadApart alone.
        request.removeOverlaps = count < largeGraph;
    } else {
        // Around a drawing already in the window, new vertices get the size they
        // have there, and edges the length of a typical gap between vertices.
        // Graphviz's removal of overlaps would move the pinned vertices too;
        // spreadApart keeps the new ones apart instead.
        request.engine = count < largeGraph ? LayoutEngine::neato : LayoutEngine::fdp;
        request.removeOverlaps = false;
        request.nodeInches = (vertexSpacing + 1) / pointsPerInch;
        request.edgeInches =
            std::max(2 * vertexSpacing, 360 / std::sqrt(static_cast<double>(count))) /
            pointsPerInch;
    }
    return layOut(list, std::move(request), scaled, graph.warnings);
}
