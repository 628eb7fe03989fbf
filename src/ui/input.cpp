#include "ui/input.h"

#include "io/graph_file.h"
#include "model/graph.h"
#include "ui/window.h"

#include <GL/glut.h>

int32_t dragState = -1;
int primaryButton = GLUT_LEFT_BUTTON;

// The button the left button's current press acts as, so that its release acts
// as the same button whatever is held by then; GLUT_LEFT_BUTTON when none.
static int leftPressActsAs = GLUT_LEFT_BUTTON;

int actingButton(int button, int state, int modifiers) {
    if (button != GLUT_LEFT_BUTTON)
        return button;
    if (state == GLUT_DOWN) {
        leftPressActsAs = (modifiers & GLUT_ACTIVE_CTRL) != 0  ? GLUT_RIGHT_BUTTON
                          : (modifiers & GLUT_ACTIVE_ALT) != 0 ? GLUT_MIDDLE_BUTTON
                                                               : primaryButton;
    }
    return leftPressActsAs;
}

std::pair<double, double> toNormalized(int px, int py) {
    const double halfWidth = windowWidth / 2.0;
    const double halfHeight = windowHeight / 2.0;
    return {(px - halfWidth) / halfWidth, (halfHeight - py) / halfHeight};
}

void onMouseButton(int pressed, int state, int px, int py) {
    const int button = actingButton(pressed, state, glutGetModifiers());
    const auto [x, y] = toNormalized(px, py);
    if (button == GLUT_RIGHT_BUTTON && state == GLUT_DOWN) {
        addVertex(x, y);
    } else if (button == GLUT_LEFT_BUTTON) {
        if (state == GLUT_DOWN) {
            selectNearestVertex(x, y);
            dragState = 1;
        } else {
            dragState = -1;
        }
    } else if (button == GLUT_MIDDLE_BUTTON && state == GLUT_DOWN) {
        linkOrSelectEdge(x, y);
    }
    drawGraph();
}

void onMouseDrag(int px, int py) {
    if (dragState != 1 || !isVertex(selectedVertex))
        return;
    const auto [x, y] = toNormalized(px, py);
    moveSelectedVertex(x, y);
    drawGraph();
}

void onKey(unsigned char key, int, int) {
    switch (key) {
    case 'd':
    case 'D':
        deleteSelection();
        break;
    case 's':
    case 'S':
        saveGraph();
        break;
    case 'l':
    case 'L':
        loadGraph();
        break;
    default:
        break;
    }
    drawGraph();
}
