#include "ui/window.h"

#include "geometry/wide_line.h"
#include "model/graph.h"

#include <GL/glut.h>

#include <array>

// OpenGL 1.2's name for the query; Windows' gl.h stops at 1.1.
#ifndef GL_ALIASED_LINE_WIDTH_RANGE
#define GL_ALIASED_LINE_WIDTH_RANGE 0x846E
#endif

const int32_t windowWidth = static_cast<int32_t>(windowPixels);
const int32_t windowHeight = static_cast<int32_t>(windowPixels);

// Whether edges are drawn as two triangles each, because the GL draws no line as
// wide as an edge; false (the GL's own lines) until chooseEdgeDrawing has asked.
static bool edgesAsTriangles = false;

using Color = std::array<GLfloat, 3>; // red, green, blue

// How many vertices one glBegin/glEnd holds at most. Emscripten's immediate-mode
// emulation keeps the vertices of one glBegin in a 2 MB buffer and fails past
// it. Batches end only between whole primitives, so splitting changes no pixel.
static constexpr size_t verticesPerBatch = 30000;

// The vertices emitted since the current glBegin.
static size_t batchVertices = 0;

static constexpr Color black{0, 0, 0};
static constexpr Color red{1, 0, 0};
static constexpr Color blue{0, 0, 1};

void chooseEdgeDrawing() {
    // A GL too old to answer keeps drawing its own lines, as it always has.
    GLfloat widths[2] = {1, static_cast<GLfloat>(lineWidthPixels)};
    glGetFloatv(GL_ALIASED_LINE_WIDTH_RANGE, widths);
    edgesAsTriangles = widths[1] < static_cast<GLfloat>(lineWidthPixels);
}

int edgesDrawnAsTriangles() {
    return edgesAsTriangles ? 1 : 0;
}

// Emits one vertex of the current primitive. The colour goes before every
// vertex: Emscripten's immediate-mode emulation colours only the vertices that
// follow a colour of their own.
static void emitVertex(double x, double y, const Color& color) {
    glColor3f(color[0], color[1], color[2]);
    glVertex2f(static_cast<GLfloat>(x), static_cast<GLfloat>(y));
    ++batchVertices;
}

// Starts drawing primitives of the given mode.
static void beginBatch(GLenum mode) {
    glBegin(mode);
    batchVertices = 0;
}

// Between two whole primitives: ends the batch and starts another once it is full.
static void splitFullBatch(GLenum mode) {
    if (batchVertices + 6 > verticesPerBatch) {
        glEnd();
        beginBatch(mode);
    }
}

// Emits the edge from a to b: its two ends as a GL line, or else the two
// triangles that cover what a 2-pixel GL line covers.
static void emitEdge(const Vertex& a, const Vertex& b, const Color& color) {
    if (!edgesAsTriangles) {
        emitVertex(a.x, a.y, color);
        emitVertex(b.x, b.y, color);
        return;
    }
    // Corners 0 to 3 go round the parallelogram; two triangles share its diagonal 0-2.
    static constexpr std::array<size_t, 6> triangles{0, 1, 2, 0, 2, 3};
    const auto corners = wideLineCorners(toWindowPixels(a.x, a.y), toWindowPixels(b.x, b.y));
    for (const size_t corner : triangles) {
        const auto [x, y] = fromWindowPixels(corners[corner]);
        emitVertex(x, y, color);
    }
}

void drawGraph() {
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);

    const auto count = static_cast<int32_t>(vertices.size());
    glPointSize(static_cast<GLfloat>(pointSizePixels));
    beginBatch(GL_POINTS);
    for (int32_t i = 0; i < count; ++i) {
        const Vertex& v = vertices[static_cast<size_t>(i)];
        splitFullBatch(GL_POINTS);
        emitVertex(v.x, v.y, i == selectedVertex ? red : black);
    }
    glEnd();

    // Edges come after points so they are drawn over them. An entry that names
    // no vertex has nothing to join and is skipped.
    glLineWidth(static_cast<GLfloat>(lineWidthPixels));
    const GLenum edgeMode = edgesAsTriangles ? GL_TRIANGLES : GL_LINES;
    beginBatch(edgeMode);
    for (int32_t i = 0; i < count; ++i) {
        const Vertex& source = vertices[static_cast<size_t>(i)];
        for (int32_t k : source.adjacency) {
            splitFullBatch(edgeMode);
            if (isVertex(k))
                emitEdge(source, vertices[static_cast<size_t>(k)],
                         i == selectedVertex && k == selectedEdgeTarget ? blue : black);
        }
    }
    glEnd();

    glutSwapBuffers();
}
