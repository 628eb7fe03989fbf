// ruvo-import's work, in the same program and scratch directory as the other
// operations: a positioned GraphML file of 10^3 to 10^6 vertices read and written
// as graph.ruv, beside exportGraph/graphml writing that file; and 1000 and 2000
// vertices laid out, beside Graphviz's own sfdp command on the same graph.
#include "bench_support.h"
#include "companion/exact_drawing.h"
#include "export/export_formats.h"
#include "import/import_formats.h"
#include "import/layout.h"
#include "io/file_system.h"
#include "io/graph_file.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// The GraphML ruvo-export writes for the benchmark graph of n vertices; with
// plain set, without the selection, so it reads as any other drawing (NetworkX's,
// Gephi's), to be scaled into the window.
std::string graphmlOf(int32_t n, bool plain) {
    GraphFile file;
    file.vertices = makeGraph(n);
    std::string text = exportGraphml(file);
    if (plain) {
        for (const char* name : selectionNames) {
            for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at))
                text.replace(at, 1, "x");
        }
    }
    return text;
}

// ruvo-import's work after reading its input: the graph read, placed and
// written as graph.ruv the way the editor saves it.
template <bool plain> void importGraphml(benchmark::State& state) {
    const auto n = static_cast<int32_t>(state.range(0));
    const std::string text = graphmlOf(n, plain);
    for (auto _ : state) {
        ImportedGraph graph;
        if (!readImport(text, ImportFormat::graphml, graph).ok ||
            !placeGraph(graph, LayoutEngine::keep).ok ||
            !replaceFileContents(graphFileName,
                                 formatGraph(graph.vertices, graph.selectedVertex,
                                             graph.selectedEdgeTarget, graph.linkTarget))
                 .ok) {
            state.SkipWithError("the import failed");
            break;
        }
    }
    state.SetComplexityN(3 * int64_t{n});
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

// The benchmark graph's vertices and edges, without positions.
ImportedGraph unplaced(int32_t n) {
    ImportedGraph graph;
    graph.vertices = makeGraph(n);
    graph.placed.assign(static_cast<size_t>(n), false);
    return graph;
}

void layOutGraph(benchmark::State& state) {
    const auto n = static_cast<int32_t>(state.range(0));
    const ImportedGraph graph = unplaced(n);
    for (auto _ : state) {
        ImportedGraph laidOut = graph;
        if (!placeGraph(laidOut, LayoutEngine::keep).ok) {
            state.SkipWithError("the layout failed");
            break;
        }
    }
}

// Graphviz's own command on the same graph, from a DOT file to a plain one: its
// layout with the cost of starting, reading and writing, which are small beside it.
void sfdpCommand(benchmark::State& state) {
    const auto n = static_cast<int32_t>(state.range(0));
    std::string dot = "digraph {\n";
    const std::vector<Vertex> list = makeGraph(n);
    for (size_t i = 0; i < list.size(); ++i) {
        for (const int32_t k : list[i].adjacency)
            dot += std::to_string(i) + " -> " + std::to_string(k) + ";\n";
    }
    std::ofstream("layout.dot") << dot << "}\n";
    for (auto _ : state) {
        if (std::system("sfdp -Tplain layout.dot -o layout.plain") != 0) {
            state.SkipWithError("sfdp failed");
            break;
        }
    }
}

} // namespace

BENCHMARK_TEMPLATE(importGraphml, false)
    ->Name("importGraph/graphml")
    ->RangeMultiplier(10)
    ->Range(1000, 1000000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(importGraphml, true)
    ->Name("importGraph/graphml-drawing")
    ->RangeMultiplier(10)
    ->Range(1000, 1000000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(layOutGraph)
    ->Name("layOutGraph")
    ->Arg(1000)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(sfdpCommand)
    ->Name("sfdpCommand")
    ->Arg(1000)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
