// Shared set-up for tests of the model and the graph file: each test starts from
// an empty graph with nothing selected, and what the code writes to standard
// output is captured as the trace.
#pragma once

#include "model/graph.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

class EditorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        clearVertices();
        selectedVertex = selectedEdgeTarget = linkTarget = -1;
        savedCout = std::cout.rdbuf(trace.rdbuf());
    }
    void TearDown() override { std::cout.rdbuf(savedCout); }

    // Returns the trace written since the last call and starts a new one.
    std::string takeTrace() {
        std::string text = trace.str();
        trace.str("");
        return text;
    }

    // Adds vertices at the given positions, in order.
    static void addVertices(std::initializer_list<std::pair<double, double>> positions) {
        for (const auto& [x, y] : positions)
            addVertex(x, y);
    }

    static std::vector<int32_t>& adjacencyOf(int32_t i) {
        return vertices.at(static_cast<size_t>(i)).adjacency;
    }

  private:
    std::ostringstream trace;
    std::streambuf* savedCout = nullptr;
};
