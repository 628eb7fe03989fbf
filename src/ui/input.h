// The editor's mouse and keyboard bindings: GLUT handlers that map each event to
// one operation of the graph model or the graph file and then repaint.
#pragma once

#include <cstdint>
#include <utility>

extern int32_t dragState; // 1 from a left press until the left release, -1 otherwise
extern int primaryButton; // the button a left press without Ctrl or Alt acts as: GLUT_LEFT_BUTTON
                          // unless the page's toolbar chose another

// Returns the button a press or release of button acts as, given the modifiers
// held (glutGetModifiers): a left press acts as a right press with Ctrl, as a
// middle press with Alt, else as primaryButton; a left release acts as the
// release of what its press acted as; the other buttons act as themselves.
int actingButton(int button, int state, int modifiers);

// Maps a pointer position in window pixels (origin top-left, y down) to
// normalized device coordinates, unclamped; returns (x, y).
std::pair<double, double> toNormalized(int px, int py);

// GLUT mouse handler: right press (or Ctrl+left) adds a vertex, left press
// selects the nearest vertex and starts a drag, left release ends it, middle
// press (or Alt+left) links or selects an edge. Every call repaints.
void onMouseButton(int button, int state, int px, int py);

// GLUT motion handler: during a drag, moves the selected vertex onto the pointer
// and repaints; otherwise does nothing.
void onMouseDrag(int px, int py);

// GLUT keyboard handler: D deletes the selection, S saves, L loads, in either
// case. Every call repaints.
void onKey(unsigned char key, int px, int py);
