// Emscripten's GLUT listens for keys, the mouse, the wheel and touches on the
// whole window and cancels what it takes: Tab, Enter, Space and letters anywhere
// on the page, and every scroll. The page hands the canvas's own pointer and key
// events to the editor instead (page.js), so GLUT's listeners are made to do
// nothing. This runs before main, so glutInit installs these.
GLUT.onKeydown = GLUT.onKeyup = GLUT.onMousemove = GLUT.onMouseButtonDown =
    GLUT.onMouseButtonUp = GLUT.onMouseWheel = GLUT.touchHandler = function () {};
