#include "editor_fixture.h"

using NearestVertexSearch = EditorTest;
using EdgeLinking = EditorTest;
using EdgeDeletion = EditorTest;
using VertexDeletion = EditorTest;

TEST_F(NearestVertexSearch, EmptyGraphFindsAndChangesNothing) {
    EXPECT_EQ(findNearestVertex(0, 0), -1);
    selectedVertex = 3;
    selectNearestVertex(0.5, 0.5);
    EXPECT_EQ(selectedVertex, -1);
    linkOrSelectEdge(0, 0);
    deleteSelection();
    EXPECT_TRUE(vertices.empty());
    EXPECT_EQ(linkTarget, -1);
    EXPECT_EQ(takeTrace(), "");
}

TEST_F(NearestVertexSearch, TiesGoToTheLowerIndex) {
    addVertices({{-0.5, 0}, {0.5, 0}, {0, 0.5}, {0, -0.5}});
    EXPECT_EQ(findNearestVertex(0, 0), 0);
    EXPECT_EQ(findNearestVertex(0.25, 0.25), 1); // 1 and 2 tie, 0 is farther
    EXPECT_EQ(findNearestVertex(0.1, -0.45), 3);
}

TEST_F(NearestVertexSearch, FindsOnlyWithinTheSearchRadius) {
    addVertex(100.0, 0);
    EXPECT_EQ(findNearestVertex(0, 0), -1); // exactly 100 away: not strictly nearer
    addVertex(-99.5, 0);
    EXPECT_EQ(findNearestVertex(0, 0), 1);
}

TEST_F(NearestVertexSearch, SelectingKeepsEdgeAndLinkTargets) {
    addVertices({{-0.5, 0}, {0.5, 0}});
    selectedEdgeTarget = 1;
    linkTarget = 0;
    selectNearestVertex(0.4, 0.1);
    EXPECT_EQ(selectedVertex, 1);
    EXPECT_EQ(selectedEdgeTarget, 1);
    EXPECT_EQ(linkTarget, 0);
    moveSelectedVertex(0.9, -0.9);
    EXPECT_EQ(vertices[1].x, 0.9);
    EXPECT_EQ(vertices[1].y, -0.9);
}

TEST_F(NearestVertexSearch, MovingAStaleSelectionTouchesNothing) {
    addVertex(0.1, 0.2);
    selectedVertex = 1;
    moveSelectedVertex(0.5, 0.5);
    EXPECT_EQ(vertices[0].x, 0.1);
}

TEST_F(EdgeLinking, FirstPressAddsTheEdgeSecondSelectsIt) {
    addVertices({{-0.5, 0}, {0.5, 0}});
    selectedVertex = 0;
    linkOrSelectEdge(0.45, 0.05);
    EXPECT_EQ(adjacencyOf(0), std::vector<int32_t>{1});
    EXPECT_EQ(selectedEdgeTarget, -1);
    EXPECT_EQ(linkTarget, 1);
    EXPECT_EQ(takeTrace(), "middle\n");

    linkOrSelectEdge(0.5, 0);
    EXPECT_EQ(adjacencyOf(0), std::vector<int32_t>{1});
    EXPECT_EQ(selectedEdgeTarget, 1);
    EXPECT_EQ(selectedVertex, 0);
    EXPECT_EQ(takeTrace(), "0 1\nmiddle\n");
}

TEST_F(EdgeLinking, RepeatedEntryWritesOnePairLinePerCopy) {
    addVertices({{-0.5, 0}, {0.5, 0}, {0, 0.5}});
    adjacencyOf(0) = {1, 2, 1};
    selectedVertex = 0;
    linkOrSelectEdge(0.5, 0);
    EXPECT_EQ(takeTrace(), "0 1\n0 1\nmiddle\n");
    EXPECT_EQ(adjacencyOf(0).size(), 3u);
}

TEST_F(EdgeLinking, PressNearestTheSelectedVertexLinksItToItself) {
    addVertices({{-0.5, 0}, {0.5, 0}});
    selectedVertex = 1;
    linkOrSelectEdge(0.6, 0);
    EXPECT_EQ(adjacencyOf(1), std::vector<int32_t>{1});
    linkOrSelectEdge(0.6, 0);
    EXPECT_EQ(selectedEdgeTarget, 1);
    EXPECT_EQ(takeTrace(), "middle\n1 1\nmiddle\n");
}

// A file can put every vertex beyond the search radius, so that a middle press
// finds none; it must not add an edge to "no vertex".
TEST_F(EdgeLinking, NothingWithinReachAddsNoEdge) {
    addVertices({{1000, 0}, {-1000, 0}});
    selectedVertex = 0;
    selectedEdgeTarget = 1;
    linkOrSelectEdge(0, 0);
    EXPECT_TRUE(adjacencyOf(0).empty());
    EXPECT_EQ(linkTarget, -1);
    EXPECT_EQ(selectedEdgeTarget, -1);
    EXPECT_EQ(takeTrace(), "middle\n");
}

TEST_F(EdgeLinking, StaleSelectionDoesNothing) {
    addVertex(0, 0);
    selectedVertex = 5;
    linkOrSelectEdge(0, 0);
    EXPECT_TRUE(adjacencyOf(0).empty());
    EXPECT_EQ(linkTarget, -1);
    EXPECT_EQ(takeTrace(), "");
}

TEST_F(EdgeDeletion, RemovesEveryCopyAndWritesThePair) {
    addVertices({{-0.5, 0}, {0.5, 0}, {0, 0.5}});
    adjacencyOf(0) = {1, 2, 1};
    selectedVertex = 0;
    selectedEdgeTarget = 1;
    linkTarget = 2;
    deleteSelection();
    EXPECT_EQ(adjacencyOf(0), std::vector<int32_t>{2});
    EXPECT_EQ(vertices.size(), 3u);
    EXPECT_EQ(selectedVertex, -1);
    EXPECT_EQ(selectedEdgeTarget, -1);
    EXPECT_EQ(linkTarget, 2);
    EXPECT_EQ(takeTrace(), "0 1\n");
}

TEST_F(EdgeDeletion, EdgeTargetOutlivesALeftPressOnAnotherVertex) {
    addVertices({{-0.5, 0}, {0.5, 0}, {0, 0.5}});
    adjacencyOf(0) = {1};
    adjacencyOf(2) = {0};
    selectedVertex = 0;
    linkOrSelectEdge(0.5, 0); // selects edge 0 -> 1
    selectNearestVertex(0, 0.5);
    takeTrace();
    deleteSelection();
    EXPECT_EQ(takeTrace(), "2 1\n");
    EXPECT_EQ(vertices.size(), 3u);
    EXPECT_EQ(adjacencyOf(0), std::vector<int32_t>{1});
    EXPECT_EQ(adjacencyOf(2), std::vector<int32_t>{0});
    EXPECT_EQ(selectedVertex, -1);
    EXPECT_EQ(selectedEdgeTarget, -1);
}

TEST_F(EdgeDeletion, EdgeTargetAloneDeletesNothing) {
    addVertices({{-0.5, 0}, {0.5, 0}});
    adjacencyOf(0) = {1};
    selectedEdgeTarget = 1;
    deleteSelection();
    EXPECT_EQ(adjacencyOf(0), std::vector<int32_t>{1});
    EXPECT_EQ(selectedEdgeTarget, 1);
    EXPECT_EQ(takeTrace(), "");
}

TEST_F(VertexDeletion, RemainingEdgesKeepTheirEndpoints) {
    addVertices({{0, 0}, {0.1, 0}, {0.2, 0}, {0.3, 0}});
    adjacencyOf(0) = {3, 1};
    adjacencyOf(1) = {1, 0, 2};
    adjacencyOf(2) = {0, 1, 3};
    adjacencyOf(3) = {1, 2, 1};
    selectedVertex = 1;
    linkTarget = 3;
    deleteSelection();

    ASSERT_EQ(vertices.size(), 3u);
    EXPECT_EQ(vertices[1].x, 0.2); // the former vertices 2 and 3 moved down
    EXPECT_EQ(vertices[2].x, 0.3);
    EXPECT_EQ(adjacencyOf(0), std::vector<int32_t>{2});
    EXPECT_EQ(adjacencyOf(1), (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(adjacencyOf(2), std::vector<int32_t>{1});
    EXPECT_EQ(selectedVertex, -1);
    EXPECT_EQ(selectedEdgeTarget, -1);
    EXPECT_EQ(linkTarget, 3);
    EXPECT_EQ(takeTrace(), "");
}

TEST_F(VertexDeletion, DeletingTheLastVertexLeavesNoEntryNamingIt) {
    addVertices({{0, 0}, {0.5, 0.5}});
    adjacencyOf(0) = {1, 0, 1};
    selectedVertex = 1;
    deleteSelection();
    ASSERT_EQ(vertices.size(), 1u);
    EXPECT_EQ(adjacencyOf(0), std::vector<int32_t>{0});
    selectedVertex = 0;
    deleteSelection();
    EXPECT_TRUE(vertices.empty());
}

// A stream buffer whose reader has gone: every write fails.
class ClosedOutput : public std::streambuf {
  protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
};

TEST_F(EdgeLinking, ClosedTraceIsReportedOnceAndEditingGoesOn) {
    addVertices({{-0.5, 0}, {0.5, 0}});
    selectedVertex = 0;
    ClosedOutput closed;
    std::streambuf* const open = std::cout.rdbuf(&closed);
    ::testing::internal::CaptureStderr();
    linkOrSelectEdge(0.5, 0);
    linkOrSelectEdge(0.5, 0);
    deleteSelection();
    const std::string message = ::testing::internal::GetCapturedStderr();
    std::cout.rdbuf(open);
    EXPECT_EQ(message, "ruvo: standard output is closed; the trace is no longer written\n");
    EXPECT_TRUE(adjacencyOf(0).empty());
    EXPECT_EQ(selectedVertex, -1);
}
