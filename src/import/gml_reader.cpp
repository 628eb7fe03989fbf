// GML as igraph, NetworkX, yEd, Cytoscape and OGDF write it: keys followed by
// values (a number, a "string" or a [ list ]), '#' starting a comment. Of the
// first graph list, each node's id and the x and y of its graphics (the centre
// of its box, y down), and each edge's source and target; the rest, `directed`
// among it, changes nothing a graph file holds. A small reader of our own: no
// GML library for C or C++ has a licence Ruvo can ship.
#include "companion/progress.h"
#include "import/readers.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

// What the reader meets next in the text.
enum class Token { end, word, string, open, close };

// The lists the reader tells apart; everything else is other.
enum class List { top, graph, node, edge, graphics, other };

// A list open at the moment, and where it began.
struct OpenList {
    List kind;
    size_t line;
};

class GmlReader {
  public:
    GmlReader(const std::string& input, ImportedGraph& into)
        : text(input), graph(into), builder(into) {}

    // Reads the whole text; returns the outcome.
    FileStatus read();

  private:
    // Moves past blanks, line ends and comments, then reads one token into word
    // (without the quotes of a string), its line into wordLine.
    Token next();
    void skipLineEnd();
    void openList(std::string_view key);
    void closeList();
    void takeValue(std::string_view key, Token kind);
    // Reads a coordinate of the open node's graphics.
    void readCoordinate(std::string_view key, Token kind, double& value, bool& given);
    void finishNode(size_t line);
    void finishEdge(size_t line);
    // Ends the reading with why, at line.
    void refuse(size_t line, const std::string& why);

    std::string_view text;
    ImportedGraph& graph;
    GraphBuilder builder;
    size_t at = 0;                             // where the next token is looked for
    size_t line = 1;                           // the line of at
    std::string_view word;                     // the last word or string read
    size_t wordLine = 1;                       // the line the last token starts on
    std::vector<OpenList> open;                // the lists open, the file itself first
    int graphs = 0;                            // the graph lists at the top so far
    std::string_view id;                       // the id of the open node; "" when none yet
    bool hasId = false;                        // whether the open node has an id
    double x = 0, y = 0;                       // the open node's graphics x and y
    bool hasX = false, hasY = false;           // whether its graphics gave them
    std::string_view source, target;           // the ends of the open edge
    bool hasSource = false, hasTarget = false; // whether it gave them
    FileStatus refusal;                        // why reading stopped; ok while it goes on
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

bool isKey(std::string_view word) {
    const auto letter = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    };
    if (word.empty() || !letter(word[0]))
        return false;
    for (const char c : word) {
        if (!letter(c) && !(c >= '0' && c <= '9'))
            return false;
    }
    return true;
}

void GmlReader::skipLineEnd() {
    // Line ends as the graph file counts them: LF, CR LF and a lone CR.
    if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n')
        ++at;
    ++at;
    ++line;
}

Token GmlReader::next() {
    for (;;) {
        while (at < text.size() && isBlank(text[at]))
            ++at;
        if (at == text.size())
            return Token::end;
        if (text[at] == '\n' || text[at] == '\r') {
            skipLineEnd();
        } else if (text[at] == '#') {
            while (at < text.size() && text[at] != '\n' && text[at] != '\r')
                ++at;
        } else {
            break;
        }
    }
    wordLine = line;
    const char first = text[at];
    if (first == '[' || first == ']') {
        ++at;
        return first == '[' ? Token::open : Token::close;
    }
    if (first == '"') {
        const size_t start = ++at;
        while (at < text.size() && text[at] != '"') {
            if (text[at] == '\n' || text[at] == '\r')
                skipLineEnd();
            else
                ++at;
        }
        if (at == text.size()) {
            refuse(wordLine, "a string without its closing quote");
            return Token::end;
        }
        word = text.substr(start, at++ - start);
        return Token::string;
    }
    const size_t start = at;
    while (at < text.size() && !isBlank(text[at]) && text[at] != '\n' && text[at] != '\r' &&
           text[at] != '[' && text[at] != ']' && text[at] != '"')
        ++at;
    word = text.substr(start, at - start);
    return Token::word;
}

FileStatus GmlReader::read() {
    open.push_back({List::top, 1});
    while (refusal.ok) {
        const Token key = next();
        if (!refusal.ok)
            break;
        if (key == Token::end) {
            if (open.size() > 1)
                refuse(open.back().line, "a list that is never closed");
            break;
        }
        if (key == Token::close) {
            if (open.size() == 1)
                refuse(wordLine, "a ']' without its '['");
            else
                closeList();
            reportReadShare(at, text.size());
            continue;
        }
        if (key != Token::word || !isKey(word)) {
            refuse(wordLine, key == Token::open ? "a '[' where a key should be"
                             : key == Token::string
                                 ? "the string " + quote(word) + " where a key should be"
                                 : quote(word) + " is not a key");
            break;
        }
        const std::string_view name = word;
        const size_t keyLine = wordLine;
        const Token value = next();
        if (!refusal.ok)
            break;
        if (value == Token::end || value == Token::close)
            refuse(keyLine, std::string(name) + " without a value");
        else if (value == Token::open)
            openList(name);
        else
            takeValue(name, value);
    }
    if (refusal.ok && graphs == 0)
        return {false, "no graph found"};
    if (!refusal.ok)
        return refusal;
    if (graphs > 1)
        graph.warnings.push_back(firstGraphOnly(graphs - 1));
    builder.storeEdges();
    return {};
}

void GmlReader::openList(std::string_view key) {
    const List parent = open.back().kind;
    List kind = List::other;
    if (parent == List::top && key == "graph")
        kind = ++graphs == 1 ? List::graph : List::other;
    else if (parent == List::graph && key == "node")
        kind = List::node;
    else if (parent == List::graph && key == "edge")
        kind = List::edge;
    else if (parent == List::node && key == "graphics")
        kind = List::graphics;
    if (kind == List::node) {
        hasId = hasX = hasY = false;
    } else if (kind == List::edge) {
        hasSource = hasTarget = false;
    }
    open.push_back({kind, wordLine});
}

void GmlReader::closeList() {
    const OpenList list = open.back();
    open.pop_back();
    if (list.kind == List::node)
        finishNode(list.line);
    else if (list.kind == List::edge)
        finishEdge(list.line);
}

void GmlReader::takeValue(std::string_view key, Token kind) {
    switch (open.back().kind) {
    case List::node:
        if (key == "id") {
            id = word;
            hasId = true;
        }
        break;
    case List::graphics:
        if (key == "x")
            readCoordinate(key, kind, x, hasX);
        else if (key == "y")
            readCoordinate(key, kind, y, hasY);
        break;
    case List::edge:
        if (key == "source") {
            source = word;
            hasSource = true;
        } else if (key == "target") {
            target = word;
            hasTarget = true;
        }
        break;
    default:
        break;
    }
}

void GmlReader::readCoordinate(std::string_view key, Token kind, double& value, bool& given) {
    const bool number = kind == Token::word && readNumber(word, value);
    if (number && std::isfinite(value)) {
        given = true;
        return;
    }
    refuse(wordLine, std::string(key) + " " + quote(word) +
                         (number ? " is not a finite number" : " is not a number"));
}

void GmlReader::finishNode(size_t nodeLine) {
    if (!hasId) {
        refuse(nodeLine, "a node without an id");
        return;
    }
    const int32_t vertex = builder.vertexNamed(id);
    if (vertex < 0) {
        refuse(nodeLine, tooManyVertices);
        return;
    }
    if (hasX && hasY) {
        Vertex& v = graph.vertices[static_cast<size_t>(vertex)];
        v.x = x;
        // The file's y grows downwards, the drawing's upwards.
        v.y = -y;
        graph.placed[static_cast<size_t>(vertex)] = true;
    }
}

void GmlReader::finishEdge(size_t edgeLine) {
    if (!hasSource || !hasTarget) {
        refuse(edgeLine, hasSource ? "an edge without a target" : "an edge without a source");
        return;
    }
    const int32_t from = builder.vertexNamed(source);
    const int32_t to = from < 0 ? -1 : builder.vertexNamed(target);
    if (to < 0)
        refuse(edgeLine, tooManyVertices);
    else
        builder.addEdge(from, to);
}

void GmlReader::refuse(size_t where, const std::string& why) {
    if (refusal.ok)
        refusal = {false, "line " + std::to_string(where) + ": " + why};
}

} // namespace

FileStatus readGml(const std::string& text, ImportedGraph& graph) {
    return GmlReader(text, graph).read();
}
