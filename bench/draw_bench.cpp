// Times whole frames of drawGraph in a real GL context (run it under an X
// server, such as the one with_xvfb.sh starts), beside the floor for the same
// picture: the same points and segments drawn from prepared arrays with one
// glDrawArrays call each. The difference is the cost of our drawing code and of
// GL's immediate mode; the floor is what the GL implementation needs anyway.
#include "bench_support.h"
#include "model/graph.h"
#include "ui/input.h"
#include "ui/window.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

// A frame's vertices and colours laid out for glDrawArrays: two floats of
// position and three of colour per point, and per segment end.
struct Picture {
    std::vector<GLfloat> points;
    std::vector<GLfloat> pointColors;
    std::vector<GLfloat> lines;
    std::vector<GLfloat> lineColors;
};

static void appendPosition(std::vector<GLfloat>& out, const Vertex& v) {
    out.push_back(static_cast<GLfloat>(v.x));
    out.push_back(static_cast<GLfloat>(v.y));
}

static void appendColor(std::vector<GLfloat>& out, bool highlighted, GLfloat red, GLfloat blue) {
    out.push_back(highlighted ? red : 0);
    out.push_back(0);
    out.push_back(highlighted ? blue : 0);
}

// Lays out the picture drawGraph paints for the current model.
static Picture preparePicture() {
    Picture picture;
    for (size_t i = 0; i < vertices.size(); ++i) {
        appendPosition(picture.points, vertices[i]);
        appendColor(picture.pointColors, static_cast<int32_t>(i) == selectedVertex, 1, 0);
        for (int32_t k : vertices[i].adjacency) {
            const bool selected =
                static_cast<int32_t>(i) == selectedVertex && k == selectedEdgeTarget;
            appendPosition(picture.lines, vertices[i]);
            appendPosition(picture.lines, vertices[static_cast<size_t>(k)]);
            appendColor(picture.lineColors, selected, 0, 1);
            appendColor(picture.lineColors, selected, 0, 1);
        }
    }
    return picture;
}

// Paints and presents the picture with one draw call for the points and one for
// the segments; expects the vertex and colour arrays enabled.
static void drawFloor(const Picture& picture) {
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glPointSize(4);
    glVertexPointer(2, GL_FLOAT, 0, picture.points.data());
    glColorPointer(3, GL_FLOAT, 0, picture.pointColors.data());
    glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(picture.points.size() / 2));
    glLineWidth(2);
    glVertexPointer(2, GL_FLOAT, 0, picture.lines.data());
    glColorPointer(3, GL_FLOAT, 0, picture.lineColors.data());
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(picture.lines.size() / 2));
    glutSwapBuffers();
}

// The pixels of the frame last presented. drawGraph presents its frame itself,
// so they are read from the back buffer, which llvmpipe keeps after the swap.
static std::vector<unsigned char> readFrame() {
    std::vector<unsigned char> pixels(static_cast<size_t>(windowWidth * windowHeight * 3));
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, windowWidth, windowHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// Makes the graph of the benchmark's size the model's, with its middle vertex
// and that vertex's first edge selected, so all three colours are drawn.
static int32_t useGraph(const benchmark::State& state) {
    const auto n = static_cast<int32_t>(state.range(0));
    vertices = makeGraph(n);
    selectedVertex = n / 2;
    selectedEdgeTarget = vertices[static_cast<size_t>(n / 2)].adjacency.front();
    return n;
}

// Records that each frame drew n vertices and their 2n edges.
static void setDrawn(benchmark::State& state, int32_t n) {
    state.SetComplexityN(3 * int64_t{n});
    state.SetItemsProcessed(state.iterations() * 3 * int64_t{n});
}

// Draws a few frames untimed: the first frames of a new picture make the GL
// implementation compile shaders, which allocates.
static void warmUp() {
    for (int i = 0; i < 3; ++i) {
        drawGraph();
        glFinish();
    }
}

static void frame(benchmark::State& state) {
    const int32_t n = useGraph(state);
    warmUp();
    const uint64_t first = allocationCount();
    for (auto _ : state) {
        drawGraph();
        glFinish();
    }
    reportAllocations(state, static_cast<double>(allocationCount() - first));
    setDrawn(state, n);
}

// One pointer motion while dragging the selected vertex: the move and the
// repaint the handler makes, alternating between two pixels.
static void dragMotion(benchmark::State& state) {
    const int32_t n = useGraph(state);
    warmUp();
    dragState = 1;
    int px = 100;
    const uint64_t first = allocationCount();
    for (auto _ : state) {
        onMouseDrag(px, 200);
        glFinish();
        px = 300 - px;
    }
    reportAllocations(state, static_cast<double>(allocationCount() - first));
    dragState = -1;
    setDrawn(state, n);
}

static void floorFrame(benchmark::State& state) {
    const int32_t n = useGraph(state);
    const Picture picture = preparePicture();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    warmUp();
    const std::vector<unsigned char> expected = readFrame();
    for (int i = 0; i < 3; ++i)
        drawFloor(picture);
    glFinish();
    const bool white = std::count(expected.begin(), expected.end(), 255) > 0;
    const bool inked = std::count(expected.begin(), expected.end(), 0) > 0;
    if (!white || !inked)
        state.SkipWithError("the frames cannot be read back to compare them");
    else if (readFrame() != expected)
        state.SkipWithError("the floor's picture differs from drawGraph's");
    const uint64_t first = allocationCount();
    for (auto _ : state) {
        drawFloor(picture);
        glFinish();
    }
    reportAllocations(state, static_cast<double>(allocationCount() - first));
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    setDrawn(state, n);
}

static bool exposed = false; // whether the window has been shown once, false until then

static void noteExposed() {
    exposed = true;
}

// Opens a window like the editor's and waits, for up to a second, until it is shown.
static bool openWindow(int* argc, char** argv) {
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE);
    glutInitWindowSize(windowWidth, windowHeight);
    glutCreateWindow("Ruvo benchmark");
    glutDisplayFunc(noteExposed);
    for (int wait = 0; wait < 1000 && !exposed; ++wait) {
        glutMainLoopEvent();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return exposed;
}

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!openWindow(&argc, argv)) {
        std::fprintf(stderr, "ruvo_draw_bench: the window was never shown\n");
        return 1;
    }
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::AddCustomContext("gl_renderer",
                                reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    benchmark::AddCustomContext("gl_version",
                                reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    using Run = void (*)(benchmark::State&);
    const std::pair<const char*, Run> runs[] = {
        {"drawGraph", frame}, {"floor", floorFrame}, {"onMouseDrag", dragMotion}};
    for (const auto& [name, run] : runs) {
        auto* registered = benchmark::RegisterBenchmark(name, run)
                               ->RangeMultiplier(10)
                               ->Range(100, 100000)
                               ->Complexity(benchmark::oN)
                               ->Unit(benchmark::kMillisecond);
        // Between 10^4 and 10^5 a drag stops keeping up with 60 frames a second.
        if (run == dragMotion)
            registered->Arg(20000)->Arg(30000)->Arg(50000);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
