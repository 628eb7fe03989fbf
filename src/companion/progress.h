// A line on standard error saying what long work is doing, for a person at a
// terminal: shown once a step has taken more than a second, updated in place
// while it goes on, and cleared when it ends. Nothing of it is written when
// standard error is not a terminal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The line of one program; one at a time in a process.
class ProgressLine {
  public:
    // Starts watching the steps of program, whose name begins the line.
    explicit ProgressLine(const char* program);
    // Clears the line, if shown, and stops watching.
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Begins the step called what ("reading big.graphml", "laying out") on the
    // given number of vertices (0 when not known), ending the one before.
    void begin(const std::string& what, int64_t vertices);

    // Ends the step: clears the line, if shown, before other messages follow.
    void end();
};

// Tells the progress line, if a program has one, that done of total bytes of
// its input have been read. Cheap enough to call for every piece read.
void reportReadShare(size_t done, size_t total);
