// Shared set-up for tests of the model and the graph file: each test starts from
// an empty graph with nothing selected, and what the code writes to standard
// output is captured as the trace. Tests that touch files also get an empty
// working directory of their own.
#pragma once

#include "io/graph_file.h"
#include "model/graph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iostream>
#include <iterator>
#include <random>
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
    void TearDown() override {
        std::cout.rdbuf(savedCout);
        std::cout.clear(); // a test may have made the trace fail
    }

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

namespace fs = std::filesystem;

// The example graph's file, as buildTwoVertexGraph below saves it.
inline constexpr const char* twoVertexFile = "0\n-1\n1\n2\n"
                                             "-0.500000 0.250000 1\n1\n"
                                             "0.500000 -0.250000 0\n";

// The bytes a save writes for text: the file is text, so on Windows every line
// ends in CR LF.
inline std::string asWritten(std::string text) {
#ifdef _WIN32
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2))
        text.insert(at, 1, '\r');
#endif
    return text;
}

// Each test runs in a fresh, empty working directory of its own.
class GraphFileTest : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        // A parameterized test's name holds a '/', which must not nest the directory.
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '-');
        // Unique to this run, so two runs at once never share a directory.
        directory = fs::temp_directory_path() /
                    ("ruvo-test-" + name + "-" + std::to_string(std::random_device{}()));
        fs::remove_all(directory);
        fs::create_directories(directory);
        previous = fs::current_path();
        fs::current_path(directory);
    }
    void TearDown() override {
        fs::current_path(previous);
        fs::remove_all(directory);
        EditorTest::TearDown();
    }

    static void writeFile(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string readFile(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // The names in the working directory, sorted.
    static std::vector<std::string> directoryListing() {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator("."))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // The example graph: vertex 0 at (-0.5, 0.25) with an edge to vertex 1 at
    // (0.5, -0.25), vertex 0 selected and vertex 1 the link target.
    static void buildTwoVertexGraph() {
        addVertices({{-0.5, 0.25}, {0.5, -0.25}});
        adjacencyOf(0) = {1};
        selectedVertex = 0;
        linkTarget = 1;
    }

    // The whole model as file text, to compare states exactly.
    static std::string modelText() {
        return formatGraph(vertices, selectedVertex, selectedEdgeTarget, linkTarget);
    }

    fs::path directory;
    fs::path previous;
};
