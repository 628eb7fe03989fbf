#include "ui/window.h"

#include "model/graph.h"

#include <GL/glut.h>

const int32_t windowWidth = 400;
const int32_t windowHeight = 400;

static void setColor(bool highlighted, GLfloat red, GLfloat blue) {
    if (highlighted)
        glColor3f(red, 0, blue);
    else
        glColor3f(0, 0, 0);
}

static void emitPosition(const Vertex& v) {
    glVertex2f(static_cast<GLfloat>(v.x), static_cast<GLfloat>(v.y));
}

void drawGraph() {
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);

    const auto count = static_cast<int32_t>(vertices.size());
    glPointSize(4);
    glBegin(GL_POINTS);
    for (int32_t i = 0; i < count; ++i) {
        setColor(i == selectedVertex, 1, 0);
        emitPosition(vertices[static_cast<size_t>(i)]);
    }
    glEnd();

    // Edges come after points so they are drawn over them. An entry that names
    // no vertex has nothing to join and is skipped.
    glLineWidth(2);
    glBegin(GL_LINES);
    for (int32_t i = 0; i < count; ++i) {
        const Vertex& source = vertices[static_cast<size_t>(i)];
        for (int32_t k : source.adjacency) {
            if (!isVertex(k))
                continue;
            setColor(i == selectedVertex && k == selectedEdgeTarget, 0, 1);
            emitPosition(source);
            emitPosition(vertices[static_cast<size_t>(k)]);
        }
    }
    glEnd();

    glutSwapBuffers();
}
