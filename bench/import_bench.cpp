// ruvo-import's work, in the same program and scratch directory as the other
// operations: a positioned GraphML file of 10^3 to 10^6 vertices read and written
// as graph.ruv, beside exportGraph/graphml writing that file; and paths and
// meshes of 2,000 to 100,000 vertices laid out and written, beside Graphviz's own
// sfdp command on the same graph.
#include "bench_support.h"
#include "companion/exact_drawing.h"
#include "export/export_formats.h"
#include "import/import_formats.h"
#include "import/layout.h"
#include "io/file_system.h"
#include "io/graph_file.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>

#include <sys/resource.h>

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

// The shapes of graph laid out from scratch: a path, where sfdp's multilevel
// layout is at its slowest per vertex, and a square mesh, as finite element
// meshes are.
enum class Shape { path, mesh };

// The graph of n vertices in that shape, without positions: a path 0-1-2-...,
// or a mesh of rows as long as the square root of n, each vertex joined to its
// right and its lower neighbour.
ImportedGraph unplaced(Shape shape, int32_t n) {
    ImportedGraph graph;
    const auto side = static_cast<int32_t>(std::ceil(std::sqrt(static_cast<double>(n))));
    for (int32_t i = 0; i < n; ++i) {
        graph.vertices.emplace_back(0, 0);
        std::vector<int32_t>& next = graph.vertices.back().adjacency;
        if (shape == Shape::path && i + 1 < n)
            next.push_back(i + 1);
        if (shape == Shape::mesh && (i + 1) % side != 0 && i + 1 < n)
            next.push_back(i + 1);
        if (shape == Shape::mesh && i + side < n)
            next.push_back(i + side);
    }
    graph.placed.assign(static_cast<size_t>(n), false);
    return graph;
}

// ruvo-import's work on a graph without positions: laid out, spread and written
// as graph.ruv.
template <Shape shape> void layOutGraph(benchmark::State& state) {
    const ImportedGraph graph = unplaced(shape, static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        ImportedGraph laidOut = graph;
        if (!placeGraph(laidOut, LayoutEngine::keep).ok ||
            !replaceFileContents(graphFileName, formatGraph(laidOut.vertices, -1, -1, -1)).ok) {
            state.SkipWithError("the layout failed");
            break;
        }
    }
}

// The processor time, user and system, that the children of this process have
// taken so far, in seconds.
double childrenSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Graphviz's own command on the same graph, from a DOT file to DOT with
// positions: its layout with the cost of starting, reading and writing. Timed as
// the processor time the command takes, to compare with layOutGraph's CPU
// column when other work shares the machine.
template <Shape shape> void sfdpCommand(benchmark::State& state) {
    const ImportedGraph graph = unplaced(shape, static_cast<int32_t>(state.range(0)));
    std::string dot = "digraph {\n";
    for (size_t i = 0; i < graph.vertices.size(); ++i) {
        dot += std::to_string(i) + ";\n";
        for (const int32_t k : graph.vertices[i].adjacency)
            dot += std::to_string(i) + " -> " + std::to_string(k) + ";\n";
    }
    std::ofstream("layout.dot") << dot << "}\n";
    for (auto _ : state) {
        const double before = childrenSeconds();
        if (std::system("sfdp -Tdot layout.dot -o layout.out.dot") != 0) {
            state.SkipWithError("sfdp failed");
            break;
        }
        state.SetIterationTime(childrenSeconds() - before);
    }
}

// Registers a layout benchmark at 2,000, 20,000 and 100,000 vertices, the
// larger sizes once each: they take seconds to minutes.
void registerLayout(const char* name, void (*run)(benchmark::State&), bool manual) {
    for (const int64_t n : {2000, 20000, 100000}) {
        benchmark::internal::Benchmark* const mark =
            benchmark::RegisterBenchmark(name, run)->Arg(n)->Unit(benchmark::kMillisecond);
        if (n > 2000)
            mark->Iterations(1);
        if (manual)
            mark->UseManualTime();
        else
            mark->UseRealTime();
    }
}

// Side by side in one run, so the two see the same machine load.
const bool layoutRegistered = [] {
    registerLayout("layOutGraph/path", layOutGraph<Shape::path>, false);
    registerLayout("sfdpCommand/path", sfdpCommand<Shape::path>, true);
    registerLayout("layOutGraph/mesh", layOutGraph<Shape::mesh>, false);
    registerLayout("sfdpCommand/mesh", sfdpCommand<Shape::mesh>, true);
    return true;
}();

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
