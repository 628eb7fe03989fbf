// Names in scripts that a Western Windows' ANSI code page lacks (Chinese, Greek,
// Cyrillic, an emoji outside the Basic Multilingual Plane) and in one it has
// (accented Latin): the one table of file names that the tests play through the
// file code and through every program.
#pragma once

inline const char* const fileNames[] = {"图表", "γράφημα", "граф", "grafo-ñandú-été", "🦉owl"};
