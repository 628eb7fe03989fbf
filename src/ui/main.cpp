// The editor's entry point: one window, four handlers, then GLUT's event loop.
#include "io/file_system.h"
#include "ui/input.h"
#include "ui/window.h"

#include <GL/glut.h>

int main(int argc, char** argv) {
    // A closed trace or a file-size limit must cost at most the trace or one
    // save, never the graph on screen.
    ignoreOutputSignals();
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE);
    glutInitWindowSize(windowWidth, windowHeight);
    glutCreateWindow("Ruvo");
    chooseEdgeDrawing();
    glutDisplayFunc(drawGraph);
    glutKeyboardFunc(onKey);
    glutMouseFunc(onMouseButton);
    glutMotionFunc(onMouseDrag);
    glutMainLoop();
    return 0;
}
