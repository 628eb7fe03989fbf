// What both benchmark executables share: the graphs they measure and a count of
// the heap allocations made while measuring.
#pragma once

#include "model/graph.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

// Returns a graph of n vertices on a jittered square grid filling most of the
// window, in row order, each with two edges: to its right and to its lower
// neighbour (wrapping round at the end of the list). Short edges between near
// vertices are what a user draws; the same n always gives the same graph.
inline std::vector<Vertex> makeGraph(int32_t n) {
    std::mt19937 random(static_cast<uint32_t>(n));
    std::uniform_real_distribution<double> jitter(-0.3, 0.3);
    const auto side = static_cast<int32_t>(std::ceil(std::sqrt(static_cast<double>(n))));
    const double cell = 1.9 / side;
    std::vector<Vertex> list;
    list.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        const double x = -0.95 + cell * ((i % side) + 0.5 + jitter(random));
        const double y = 0.95 - cell * ((i / side) + 0.5 + jitter(random));
        list.emplace_back(x, y);
        list.back().adjacency = {(i + 1) % n, (i + side) % n};
    }
    return list;
}

// The number of operator new calls made by this process so far.
uint64_t allocationCount();

// Reports, as the counter "allocs", made operator new calls spread over the
// iterations run, so the counter reads as allocations per iteration.
inline void reportAllocations(benchmark::State& state, double made) {
    state.counters["allocs"] = benchmark::Counter(made, benchmark::Counter::kAvgIterations);
}
