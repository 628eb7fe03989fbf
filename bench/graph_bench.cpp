// Times each model and file operation on graphs of 10^3 to 10^6 vertices with
// two edges each. An operation that changes the graph has it restored between
// iterations, outside the timed part. Everything written to standard output
// goes to a file in a scratch directory, which is also where graph.ruv lives.
#include "bench_support.h"
#include "export/export_formats.h"
#include "io/graph_file.h"
#include "model/graph.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <string>

namespace fs = std::filesystem;

// Returns the graph of n vertices, built once per size.
static const std::vector<Vertex>& graphOf(int32_t n) {
    static std::map<int32_t, std::vector<Vertex>> graphs; // built graphs by size, none at first
    auto found = graphs.find(n);
    if (found == graphs.end())
        found = graphs.emplace(n, makeGraph(n)).first;
    return found->second;
}

// Makes the graph of n vertices the model's, with nothing selected.
static int32_t useGraph(const benchmark::State& state) {
    const auto n = static_cast<int32_t>(state.range(0));
    vertices = graphOf(n);
    selectedVertex = selectedEdgeTarget = linkTarget = -1;
    return n;
}

// While it lives, standard output goes to the file "trace.txt", so each flush
// of a trace line is a write to a file, as when the editor's output is redirected.
class TraceToFile {
  public:
    TraceToFile() : file("trace.txt", std::ios::binary | std::ios::trunc) {
        saved = std::cout.rdbuf(file.rdbuf());
    }
    ~TraceToFile() { std::cout.rdbuf(saved); }
    TraceToFile(const TraceToFile&) = delete;
    TraceToFile& operator=(const TraceToFile&) = delete;

  private:
    std::ofstream file;
    std::streambuf* saved = nullptr;
};

// Runs work as the timed part of one iteration of a manually timed benchmark;
// returns the allocations it made.
template <class Work> static uint64_t timeOnce(benchmark::State& state, Work work) {
    const uint64_t before = allocationCount();
    const auto start = std::chrono::steady_clock::now();
    work();
    const auto stop = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    return allocationCount() - before;
}

// Records that each iteration touched touched elements (vertices and entries).
static void setTouched(benchmark::State& state, int64_t touched) {
    state.SetComplexityN(touched);
    state.SetItemsProcessed(state.iterations() * touched);
}

static void findNearest(benchmark::State& state) {
    const int32_t n = useGraph(state);
    const uint64_t first = allocationCount();
    for (auto _ : state)
        benchmark::DoNotOptimize(findNearestVertex(0.1, 0.2));
    reportAllocations(state, static_cast<double>(allocationCount() - first));
    setTouched(state, n);
}

// A middle press near an edge the selected vertex already has: the search, the
// scan of its entries, the pair line and "middle".
static void linkOrSelect(benchmark::State& state) {
    const int32_t n = useGraph(state);
    TraceToFile trace;
    selectedVertex = n / 2;
    linkOrSelectEdge(0.1, 0.2); // adds the edge, so every timed press selects it
    const uint64_t first = allocationCount();
    for (auto _ : state)
        linkOrSelectEdge(0.1, 0.2);
    reportAllocations(state, static_cast<double>(allocationCount() - first));
    setTouched(state, n);
}

// Deleting the middle vertex: every entry is checked and renumbered.
static void deleteVertex(benchmark::State& state) {
    const int32_t n = useGraph(state);
    uint64_t made = 0;
    for (auto _ : state) {
        vertices = graphOf(n);
        selectedVertex = n / 2;
        selectedEdgeTarget = -1;
        made += timeOnce(state, deleteSelection);
    }
    reportAllocations(state, static_cast<double>(made));
    setTouched(state, 3 * int64_t{n});
}

static void deleteEdge(benchmark::State& state) {
    const int32_t n = useGraph(state);
    TraceToFile trace;
    const auto middle = static_cast<size_t>(n / 2);
    uint64_t made = 0;
    for (auto _ : state) {
        vertices[middle].adjacency = graphOf(n)[middle].adjacency;
        selectedVertex = n / 2;
        selectedEdgeTarget = vertices[middle].adjacency.front();
        made += timeOnce(state, deleteSelection);
    }
    reportAllocations(state, static_cast<double>(made));
    setTouched(state, n);
}

// Each iteration grows a full list of n vertices to 2n, which takes exactly one
// reallocation, so items_per_second is the amortized rate of addVertex and
// per_add its amortized time.
static void addVertices(benchmark::State& state) {
    const int32_t n = useGraph(state);
    uint64_t made = 0;
    for (auto _ : state) {
        std::vector<Vertex>(graphOf(n)).swap(vertices);
        made += timeOnce(state, [n] {
            for (int32_t i = 0; i < n; ++i)
                addVertex(0.1, 0.2);
        });
    }
    reportAllocations(state, static_cast<double>(made));
    setTouched(state, n);
    state.counters["per_add"] =
        benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

static void save(benchmark::State& state) {
    const int32_t n = useGraph(state);
    selectedVertex = selectedEdgeTarget = linkTarget = 0;
    for (auto _ : state) {
        if (!saveGraph()) {
            state.SkipWithError("saveGraph failed");
            break;
        }
    }
    setTouched(state, 3 * int64_t{n});
}

// ruvo-export's work after reading: the export written to a file the way -o
// writes it, to compare with saveGraph.
template <ExportFormat format, const char* fileName> static void exportTo(benchmark::State& state) {
    const int32_t n = useGraph(state);
    GraphFile file;
    file.vertices = vertices;
    file.selectedVertex = file.selectedEdgeTarget = file.linkTarget = 0;
    for (auto _ : state) {
        if (!replaceFileContents(fileName, exportGraph(file, format, 1)).ok) {
            state.SkipWithError("the export was not written");
            break;
        }
    }
    setTouched(state, 3 * int64_t{n});
}
static constexpr char svgName[] = "graph.svg";
static constexpr char pngName[] = "graph.png";
static constexpr char dotName[] = "graph.dot";
static constexpr char graphmlName[] = "graph.graphml";
static constexpr char tikzName[] = "graph.tikz";

static void format(benchmark::State& state) {
    const int32_t n = useGraph(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(formatGraph(vertices, 0, 0, 0));
    setTouched(state, 3 * int64_t{n});
}

static void load(benchmark::State& state) {
    const int32_t n = useGraph(state);
    saveGraph();
    TraceToFile trace;
    for (auto _ : state) {
        if (!loadGraph()) {
            state.SkipWithError("loadGraph failed");
            break;
        }
    }
    setTouched(state, 3 * int64_t{n});
}

static void parse(benchmark::State& state) {
    const int32_t n = useGraph(state);
    const std::string text = formatGraph(vertices, 0, 0, 0);
    GraphFile file;
    for (auto _ : state)
        benchmark::DoNotOptimize(parseGraph(text, file));
    setTouched(state, 3 * int64_t{n});
}

// Registers each operation at 10^3 to 10^6 vertices with the complexity class
// it should show; a manually timed one is restored between iterations.
static void registerAll() {
    struct Operation {
        const char* name;
        void (*run)(benchmark::State&);
        benchmark::BigO complexity;
        bool manualTime;
        benchmark::TimeUnit unit;
    };
    const Operation operations[] = {
        {"findNearestVertex", findNearest, benchmark::oN, false, benchmark::kMicrosecond},
        {"linkOrSelectEdge", linkOrSelect, benchmark::oN, false, benchmark::kMicrosecond},
        {"deleteSelection/vertex", deleteVertex, benchmark::oN, true, benchmark::kMicrosecond},
        {"deleteSelection/edge", deleteEdge, benchmark::o1, true, benchmark::kMicrosecond},
        {"addVertex", addVertices, benchmark::oN, true, benchmark::kMicrosecond},
        {"saveGraph", save, benchmark::oN, false, benchmark::kMillisecond},
        {"exportGraph/svg", exportTo<ExportFormat::svg, svgName>, benchmark::oN, false,
         benchmark::kMillisecond},
        {"exportGraph/png", exportTo<ExportFormat::png, pngName>, benchmark::oN, false,
         benchmark::kMillisecond},
        {"exportGraph/dot", exportTo<ExportFormat::dot, dotName>, benchmark::oN, false,
         benchmark::kMillisecond},
        {"exportGraph/graphml", exportTo<ExportFormat::graphml, graphmlName>, benchmark::oN, false,
         benchmark::kMillisecond},
        {"exportGraph/tikz", exportTo<ExportFormat::tikz, tikzName>, benchmark::oN, false,
         benchmark::kMillisecond},
        {"formatGraph", format, benchmark::oN, false, benchmark::kMillisecond},
        {"loadGraph", load, benchmark::oN, false, benchmark::kMillisecond},
        {"parseGraph", parse, benchmark::oN, false, benchmark::kMillisecond},
    };
    for (const Operation& operation : operations) {
        auto* registered = benchmark::RegisterBenchmark(operation.name, operation.run);
        registered->RangeMultiplier(10)
            ->Range(1000, 1000000)
            ->Complexity(operation.complexity)
            ->Unit(operation.unit);
        if (operation.manualTime)
            registered->UseManualTime();
    }
}

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const fs::path previous = fs::current_path();
    const fs::path scratch =
        fs::temp_directory_path() / ("ruvo-bench-" + std::to_string(std::random_device{}()));
    fs::create_directories(scratch);
    fs::current_path(scratch);
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::current_path(previous);
    fs::remove_all(scratch);
    return 0;
}
