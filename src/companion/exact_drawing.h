// How ruvo-export writes a graph file's own values into GraphML and DOT so that
// ruvo-import knows such a file again and gets the graph file back exactly: the
// names of the selection values, and window coordinates as DOT points.
#pragma once

#include <cstdint>
#include <string_view>

// The three selection values in file order, named as GraphML graph keys and DOT
// graph attributes.
inline constexpr const char* selectionNames[3] = {"selectedVertex", "selectedEdgeTarget",
                                                  "linkTarget"};

// Coordinates smaller than this in magnitude come back exactly from DOT points;
// larger ones come back as near as a double's rounding allows.
inline constexpr double exactPointsLimit = 1e12;

// Writes the window coordinate as DOT points on the 400 x 400 point area (the
// window's -1 is 0 points, its +1 is 400), with at most four decimals, into the
// buffer [at, end), which must hold maxNumberText characters (io/number_text.h). The coordinate is
// rounded to six decimals first, as the graph file holds it. Returns the end of the text.
char* writePoints(char* at, char* end, double coordinate);

// Reads DOT points written by writePoints back as the window coordinate that
// gives the same six decimals in the graph file; other numbers are converted as
// well as a double allows. Returns false, leaving coordinate unchanged, when text
// is not a number.
bool readPoints(std::string_view text, double& coordinate);
