#include "import/graphviz_messages.h"

#include <cctype>

// The collector in place; nullptr when Graphviz prints its own messages.
static GraphvizMessages* collector = nullptr;

GraphvizMessages::GraphvizMessages() : previous(agseterrf(collect)) {
    collector = this;
    agseterr(AGWARN);
    agreseterrors();
}

GraphvizMessages::~GraphvizMessages() {
    agseterrf(previous);
    collector = nullptr;
}

FileStatus GraphvizMessages::takeInto(std::vector<std::string>& warnings,
                                      const std::string& errorPrefix,
                                      const std::string& warningPrefix) {
    if (!pending.empty())
        addLine(std::move(pending));
    pending.clear();
    FileStatus status;
    for (Message& message : messages) {
        if (message.error && status.ok)
            status = {false, errorPrefix + message.text};
        else if (!message.error)
            warnings.push_back(warningPrefix + message.text);
    }
    messages.clear();
    return status;
}

// agerr hands a report over in pieces: "Error" or "Warning", ": ", then the
// text, which ends in a line end; a continuation comes without the first two.
int GraphvizMessages::collect(char* piece) {
    if (collector == nullptr)
        return 0;
    collector->pending += piece;
    for (size_t end = collector->pending.find('\n'); end != std::string::npos;
         end = collector->pending.find('\n')) {
        collector->addLine(collector->pending.substr(0, end));
        collector->pending.erase(0, end + 1);
    }
    return 0;
}

// Moves " in line N" (and the " of input" Graphviz may put after it) to the
// front of text as "line N: ".
static std::string lineFirst(std::string text) {
    const std::string marker = " in line ";
    const size_t at = text.find(marker);
    size_t digits = at == std::string::npos ? 0 : at + marker.size();
    if (at == std::string::npos || digits >= text.size() ||
        !std::isdigit(static_cast<unsigned char>(text[digits])))
        return text;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits])))
        ++digits;
    const std::string line = text.substr(at + marker.size(), digits - at - marker.size());
    const std::string ofInput = " of input";
    if (text.compare(digits, ofInput.size(), ofInput) == 0)
        digits += ofInput.size();
    text.erase(at, digits - at);
    return "line " + line + ": " + text;
}

void GraphvizMessages::addLine(std::string line) {
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
        line.pop_back();
    if (line.empty())
        return;
    for (const auto& [prefix, error] : {std::pair<std::string, bool>{"Error: ", true},
                                        std::pair<std::string, bool>{"Warning: ", false}}) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            messages.push_back({error, lineFirst(line.substr(prefix.size()))});
            return;
        }
    }
    if (messages.empty())
        messages.push_back({false, lineFirst(line)});
    else
        messages.back().text += "; " + line;
}
