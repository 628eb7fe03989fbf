// The editor's entry point: one window, four handlers, then GLUT's event loop.
#include "ui/input.h"
#include "ui/window.h"

#include <GL/glut.h>

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE);
    glutInitWindowSize(windowWidth, windowHeight);
    glutCreateWindow("Ruvo");
    glutDisplayFunc(drawGraph);
    glutKeyboardFunc(onKey);
    glutMouseFunc(onMouseButton);
    glutMotionFunc(onMouseDrag);
    glutMainLoop();
    return 0;
}
