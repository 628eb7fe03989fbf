// Graphviz reports errors and warnings through agerr, which prints them on
// standard error in its own words. While a GraphvizMessages lives they are
// collected here instead, so the program can say them in one line each, naming
// its input.
#pragma once

#include <string>
#include <vector>

class GraphvizMessages {
  public:
    // One report of Graphviz: its text without the "Error: " or "Warning: " in
    // front, the lines of a longer report joined by "; ", and the line of the
    // input it is about moved to the front as "line N: " when it names one.
    struct Message {
        bool error;       // an error, not a warning
        std::string text; // what Graphviz said
    };

    GraphvizMessages();
    ~GraphvizMessages();
    GraphvizMessages(const GraphvizMessages&) = delete;
    GraphvizMessages& operator=(const GraphvizMessages&) = delete;

    // Returns the reports collected so far and forgets them.
    std::vector<Message> take();

  private:
    static int collect(char* piece);
    void addLine(std::string line);

    std::vector<Message> messages; // the reports so far, in order; none at first
    std::string pending;           // the report being received, up to its line end
    int (*previous)(char*);        // the handler in place before this object
};
