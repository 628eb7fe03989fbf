// The editor's entry point: one window, four handlers, then GLUT's event loop.
#include "io/file_system.h"
#include "ui/input.h"
#include "ui/window.h"

#include <GL/glut.h>

#include <string>
#include <vector>

// Gives GLUT the program's arguments, for its own options (-geometry, -display,
// ...) and for the program name its messages start with, in the UTF-8 of every
// other message.
static void initGlut(std::vector<std::string> arguments) {
    std::vector<char*> pointers;
    for (std::string& argument : arguments)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    int count = static_cast<int>(arguments.size());
    glutInit(&count, pointers.data());
}

int main(int argc, char** argv) {
    // A closed trace or a file-size limit must cost at most the trace or one
    // save, never the graph on screen.
    ignoreOutputSignals();
    showUtf8OnConsoles();
    initGlut(programArguments(argc, argv));
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
