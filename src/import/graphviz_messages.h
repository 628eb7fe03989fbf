// Graphviz reports errors and warnings through agerr, which prints them on
// standard error in its own words. While a GraphvizMessages lives they are
// collected here instead, so the program can say them in one line each, naming
// its input.
#pragma once

#include "io/file_system.h"

#include <cgraph.h>

#include <memory>
#include <string>
#include <vector>

// cgraph's functions take names and values as char*, but never change them.
inline char* graphvizText(const char* text) {
    return const_cast<char*>(text);
}

struct GraphClose {
    void operator()(Agraph_t* g) const { agclose(g); }
};
// A cgraph graph, closed when the handle goes.
using GraphHandle = std::unique_ptr<Agraph_t, GraphClose>;

class GraphvizMessages {
  public:
    GraphvizMessages();
    ~GraphvizMessages();
    GraphvizMessages(const GraphvizMessages&) = delete;
    GraphvizMessages& operator=(const GraphvizMessages&) = delete;

    // Takes the reports collected so far, and forgets them: returns the first
    // error, errorPrefix in front, as a failed status (success when there is
    // none), and appends each warning, warningPrefix in front, to warnings.
    FileStatus takeInto(std::vector<std::string>& warnings, const std::string& errorPrefix = "",
                        const std::string& warningPrefix = "");

  private:
    // One report of Graphviz: its text without the "Error: " or "Warning: " in
    // front, the lines of a longer report joined by "; ", and the line of the
    // input it is about moved to the front as "line N: " when it names one.
    struct Message {
        bool error;       // an error, not a warning
        std::string text; // what Graphviz said
    };

    static int collect(char* piece);
    void addLine(std::string line);

    std::vector<Message> messages; // the reports so far, in order; none at first
    std::string pending;           // the report being received, up to its line end
    int (*previous)(char*);        // the handler in place before this object
};
