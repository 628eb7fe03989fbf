#include "io/graph_file.h"

#include "io/number_text.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <new>

const char* const graphFileName = "graph.ruv";
uint64_t changesAtFile = 0;
uint64_t fileSuccesses = 0;

static void appendInteger(std::string& out, int32_t value) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
    out += '\n';
}

// Appends the line "x y count" with both coordinates in the given style.
static void appendVertexLine(std::string& out, double x, double y, int32_t count,
                             NumberStyle style) {
    char line[2 * maxNumberText + 32];
    char* const end = line + sizeof line;
    char* at = writeNumber(line, end, x, style);
    *at++ = ' ';
    at = writeNumber(at, end, y, style);
    *at++ = ' ';
    at = std::to_chars(at, end, count).ptr;
    *at++ = '\n';
    out.append(line, at);
}

std::string formatGraph(const std::vector<Vertex>& list, int32_t vertex, int32_t edgeTarget,
                        int32_t link) {
    // Reserving a typical line length (a coordinate in the window, an index of up
    // to seven digits) spares most of the copies that growing by doubling makes.
    size_t entries = 0;
    for (const Vertex& v : list)
        entries += v.adjacency.size();
    std::string out;
    out.reserve(48 + 24 * list.size() + 8 * entries);
    appendInteger(out, vertex);
    appendInteger(out, edgeTarget);
    appendInteger(out, link);
    appendInteger(out, static_cast<int32_t>(list.size()));
    for (const Vertex& v : list) {
        // "%lf": fixed-point with six decimals.
        appendVertexLine(out, v.x, v.y, static_cast<int32_t>(v.adjacency.size()),
                         NumberStyle::fixed);
        for (int32_t target : v.adjacency)
            appendInteger(out, target);
    }
    return out;
}

// A position in the text being parsed, with the line it is on (from 1).
struct Cursor {
    const char* at;
    const char* end;
    size_t line;     // an int would overflow on a file of more than 2^31 line ends
    size_t lastLine; // the line of the last number read, 1 before the first
};

// Skips whitespace, counting line ends: LF, CR LF (once) and a lone CR, so a
// file from an old Mac reports the lines a user sees.
static void skipSpace(Cursor& c) {
    while (c.at < c.end && std::isspace(static_cast<unsigned char>(*c.at))) {
        if (*c.at == '\n' || (*c.at == '\r' && (c.at + 1 == c.end || c.at[1] != '\n')))
            ++c.line;
        ++c.at;
    }
}

static FileStatus refuse(size_t line, const std::string& why) {
    return {false, "line " + std::to_string(line) + ": " + why};
}

static FileStatus refuse(const Cursor& c, const std::string& why) {
    return refuse(c.line, why);
}

// A file cut short is reported at its last number, not at the empty line after it.
static FileStatus refuseEnd(const Cursor& c, const char* what) {
    return refuse(c.lastLine, std::string("the file ends where ") + what + " should be");
}

// The text at the cursor up to the next whitespace, shortened and made printable,
// for quoting in a message.
static std::string quoteToken(const Cursor& c) {
    std::string token = "\"";
    for (const char* p = c.at; p < c.end && !std::isspace(static_cast<unsigned char>(*p)); ++p) {
        if (token.size() > 20) {
            token += "...";
            break;
        }
        token += std::isprint(static_cast<unsigned char>(*p)) ? *p : '?';
    }
    return token + "\"";
}

// Reads one integer, as "%d" would, into value; what names it in messages.
static FileStatus readInteger(Cursor& c, int32_t& value, const char* what) {
    skipSpace(c);
    if (c.at == c.end)
        return refuseEnd(c, what);
    // strtoll cannot run past the end: the text is NUL-terminated and NUL stops it.
    char* stop = nullptr;
    errno = 0;
    const long long read = std::strtoll(c.at, &stop, 10);
    if (stop == c.at)
        return refuse(c, std::string("expected ") + what + ", found " + quoteToken(c));
    if (errno == ERANGE || read < std::numeric_limits<int32_t>::min() ||
        read > std::numeric_limits<int32_t>::max())
        return refuse(c, std::string(what) + " " + quoteToken(c) + " is outside the 32-bit range");
    value = static_cast<int32_t>(read);
    c.at = stop;
    c.lastLine = c.line;
    return {};
}

static const char* skipSign(const char* at) {
    return *at == '+' || *at == '-' ? at + 1 : at;
}

// Reads one coordinate, as "%lf" would, into value; it must be finite.
static FileStatus readCoordinate(Cursor& c, double& value, const char* what) {
    skipSpace(c);
    if (c.at == c.end)
        return refuseEnd(c, what);
    double read = 0;
    const char* const stop = readNumber(c.at, c.end, read);
    if (stop == c.at)
        return refuse(c, std::string("expected ") + what + ", found " + quoteToken(c));
    // A number too large for a double reads as infinite, like "inf" itself; the
    // message tells the two apart.
    if (!std::isfinite(read)) {
        const bool named = std::isalpha(static_cast<unsigned char>(*skipSign(c.at)));
        return refuse(c, std::string(what) + " " + quoteToken(c) +
                             (named ? " is not a finite number" : " is out of range"));
    }
    value = read;
    c.at = stop;
    c.lastLine = c.line;
    return {};
}

// The capacity to reserve for count entries: no more than the rest of the text
// can hold at two bytes an entry, so a false count reserves nothing extra.
static size_t entryCapacity(const Cursor& c, int32_t count) {
    if (count <= 0)
        return 0;
    return std::min(static_cast<size_t>(count), static_cast<size_t>(c.end - c.at) / 2 + 1);
}

// Reads one vertex line and its entries, appending the vertex to file.
static FileStatus readVertex(Cursor& c, GraphFile& file) {
    double x = 0;
    double y = 0;
    int32_t count = 0;
    FileStatus status = readCoordinate(c, x, "an x coordinate");
    if (status.ok)
        status = readCoordinate(c, y, "a y coordinate");
    if (status.ok)
        status = readInteger(c, count, "an edge count");
    if (!status.ok)
        return status;
    // The stream's default format, "%g": six significant digits, no trailing zeros.
    appendVertexLine(file.echo, x, y, count, NumberStyle::general);
    file.vertices.emplace_back(x, y);
    file.vertices.back().adjacency.reserve(entryCapacity(c, count));
    for (int32_t j = 0; j < count; ++j) {
        int32_t target = 0;
        status = readInteger(c, target, "an edge target");
        if (!status.ok)
            return status;
        // Reading the entry before storing it keeps memory in step with the
        // file's real length, whatever count it claims.
        file.vertices.back().adjacency.push_back(target);
        appendInteger(file.echo, target);
    }
    return {};
}

FileStatus parseGraph(const std::string& text, GraphFile& file) {
    Cursor c{text.c_str(), text.c_str() + text.size(), 1, 1};
    file = GraphFile{};
    int32_t count = 0;
    FileStatus status = readInteger(c, file.selectedVertex, "the selected vertex");
    if (status.ok)
        status = readInteger(c, file.selectedEdgeTarget, "the selected edge target");
    if (status.ok)
        status = readInteger(c, file.linkTarget, "the link target");
    if (status.ok)
        status = readInteger(c, count, "the vertex count");
    for (int32_t i = 0; status.ok && i < count; ++i)
        status = readVertex(c, file);
    if (!status.ok)
        return status;
    skipSpace(c);
    if (c.at != c.end)
        return refuse(c, "unexpected " + quoteToken(c) + " after the last vertex");
    return {};
}

std::string repairReferences(GraphFile& file) {
    const auto count = static_cast<int64_t>(file.vertices.size());
    const auto names = [count](int32_t index) { return index >= 0 && index < count; };
    size_t dropped = 0;
    for (Vertex& v : file.vertices) {
        const size_t before = v.adjacency.size();
        auto kept = v.adjacency.begin();
        for (int32_t target : v.adjacency) {
            if (names(target))
                *kept++ = target;
        }
        v.adjacency.erase(kept, v.adjacency.end());
        dropped += before - v.adjacency.size();
    }
    std::string repairs;
    const auto note = [&repairs](const std::string& what) {
        repairs += (repairs.empty() ? "" : "; ") + what;
    };
    if (dropped > 0)
        note("dropped " + std::to_string(dropped) + " edge(s) to vertices that do not exist");
    if (file.selectedVertex != -1 && !names(file.selectedVertex)) {
        note("cleared the selected vertex " + std::to_string(file.selectedVertex) +
             ", which does not exist");
        file.selectedVertex = -1;
    }
    if (file.selectedEdgeTarget != -1 && !names(file.selectedEdgeTarget)) {
        note("cleared the selected edge target " + std::to_string(file.selectedEdgeTarget) +
             ", which does not exist");
        file.selectedEdgeTarget = -1;
    }
    return repairs;
}

// Records that graph.ruv now holds the graph on screen, after a save or load.
static void noteFileMatchesScreen() {
    changesAtFile = graphChanges;
    ++fileSuccesses;
}

bool saveGraph() {
    const std::string text = formatGraph(vertices, selectedVertex, selectedEdgeTarget, linkTarget);
    const FileStatus status = replaceFileContents(graphFileName, text);
    if (!status.ok) {
        std::cerr << "ruvo: graph not saved to " << graphFileName << ": " << status.reason << '\n';
        return false;
    }
    noteFileMatchesScreen();
    return true;
}

// Writes the echo one trace line at a time.
static void writeEcho(const std::string& echo) {
    size_t start = 0;
    while (start < echo.size()) {
        const size_t end = echo.find('\n', start);
        writeTrace(std::string_view(echo).substr(start, end - start));
        start = end + 1;
    }
}

// Says on standard error why the input called name was not loaded.
static void reportNotLoaded(const char* program, const char* name, const std::string& reason) {
    std::cerr << program << ": " << name << " not loaded: " << reason << '\n';
}

bool checkGraphText(const std::string& text, const char* name, GraphFile& file,
                    const char* program) {
    FileStatus status;
    try {
        status = parseGraph(text, file);
    } catch (const std::bad_alloc&) {
        // What was read so far goes, so the program can go on.
        file = GraphFile{};
        status = {false, outOfMemory};
    }
    if (!status.ok) {
        reportNotLoaded(program, name, status.reason);
        return false;
    }
    const std::string repairs = repairReferences(file);
    if (!repairs.empty())
        std::cerr << program << ": " << name << " repaired: " << repairs << '\n';
    return true;
}

// Reads the file at path and checks it as checkGraphText does, calling it name.
static bool readNamedGraphFile(const char* path, const char* name, GraphFile& file,
                               const char* program) {
    std::string text;
    FileStatus status;
    try {
        status = readFileContents(path, text);
    } catch (const std::bad_alloc&) {
        status = {false, outOfMemory};
    }
    if (!status.ok) {
        reportNotLoaded(program, name, status.reason);
        return false;
    }
    return checkGraphText(text, name, file, program);
}

bool readGraphFile(const char* path, GraphFile& file, const char* program) {
    return readNamedGraphFile(path, path, file, program);
}

// Replaces the model with a file that has been read and checked, echoing it.
static void applyGraphFile(GraphFile& file) {
    writeEcho(file.echo);
    clearVertices();
    vertices.swap(file.vertices);
    selectedVertex = file.selectedVertex;
    selectedEdgeTarget = file.selectedEdgeTarget;
    linkTarget = file.linkTarget;
    ++graphChanges;
}

bool loadGraphFrom(const char* path, const char* name) {
    GraphFile file;
    if (!readNamedGraphFile(path, name, file, "ruvo"))
        return false;
    applyGraphFile(file);
    return true;
}

bool loadGraph() {
    if (!loadGraphFrom(graphFileName, graphFileName))
        return false;
    noteFileMatchesScreen();
    return true;
}
