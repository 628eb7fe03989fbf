// Doubles as text, the way the graph file and the exports write and read them:
// written exactly as printf writes them in the C locale, read exactly as strtod
// reads them. Where the C++ library converts doubles (std::to_chars and
// std::from_chars) it does the work, many times faster; elsewhere (Emscripten's
// libc++) snprintf and strtod do, with the same bytes and the same values.
#pragma once

#include <cstddef>

// How writeNumber writes a double.
enum class NumberStyle {
    fixed,   // "%.6f": six decimals, as the graph file holds coordinates
    general, // "%.6g": six significant digits, trailing zeros dropped, as the echo shows them
};

// The longest text writeNumber or writeShortest makes: a fixed-point double near
// DBL_MAX has 309 digits before its decimals.
inline constexpr std::size_t maxNumberText = 330;

// Whether the C++ library converts doubles itself; the functions below use it then.
extern const bool libraryConvertsDoubles;

// Writes value at `at` in the given style and returns the end of the text;
// expects room for maxNumberText characters before end.
char* writeNumber(char* at, char* end, double value, NumberStyle style);

// Writes the shortest text that reads back as value, as std::to_chars(value)
// does: printf's "%f" or "%e" form, whichever is shorter (fixed on a tie).
// Returns the end of the text; expects room for maxNumberText characters.
char* writeShortest(char* at, char* end, double value);

// Reads the number that starts at `at` as strtod would (a sign, decimal or
// hexadecimal digits, an exponent, "inf" or "nan"; out of range gives infinity or
// zero) into value. Returns where the number ends, `at` itself when there is
// none. Expects the text to stop at a NUL no later than end, as a std::string does.
const char* readNumber(const char* at, const char* end, double& value);

// The same three through the C library alone (snprintf and strtod): what the
// functions above do where the C++ library cannot convert doubles. Tests hold the
// two ways to the same bytes and values.
char* writeNumberWithPrintf(char* at, char* end, double value, NumberStyle style);
char* writeShortestWithPrintf(char* at, char* end, double value);
const char* readNumberWithStrtod(const char* at, const char* end, double& value);
