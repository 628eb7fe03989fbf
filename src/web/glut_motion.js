// Emscripten's GLUT hands the motion handler the pointer's previous position,
// so a drag ends one event behind the pointer. This replaces its motion listener
// with one that hands on the position the event itself reports. It runs before
// main, so glutInit installs this one.
GLUT.onMousemove = function (event) {
  var lastX = Browser.mouseX;
  var lastY = Browser.mouseY;
  Browser.calculateMouseEvent(event);
  if (Browser.mouseX == lastX && Browser.mouseY == lastY) return;
  var handler = GLUT.buttons == 0 ? (event.target == Module['canvas'] && GLUT.passiveMotionFunc)
                                  : GLUT.motionFunc;
  if (!handler) return;
  event.preventDefault();
  GLUT.saveModifiers(event);
  getWasmTableEntry(handler)(Browser.mouseX, Browser.mouseY);
};
