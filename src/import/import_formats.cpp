#include "import/import_formats.h"

#include "companion/command_line.h"
#include "import/readers.h"

#include <cctype>
#include <utility>

bool importFormatNamed(const std::string& name, ImportFormat& format) {
    static const std::pair<const char*, ImportFormat> names[] = {
        {"graphml", ImportFormat::graphml},
        {"gexf", ImportFormat::gexf},
        {"gml", ImportFormat::gml},
        {"dot", ImportFormat::dot},
        {"edgelist", ImportFormat::edgelist}};
    return findNamed(names, name, format);
}

bool importFormatOfFileName(const std::string& fileName, ImportFormat& format) {
    std::string extension = lowerCaseExtension(fileName);
    if (extension == "gz")
        extension = lowerCaseExtension(fileName.substr(0, fileName.size() - 3));
    if (extension == "gv")
        extension = "dot";
    else if (extension == "edges")
        extension = "edgelist";
    else if (extension == "graphmlz")
        extension = "graphml";
    return importFormatNamed(extension, format);
}

namespace {

// How far into a file its format is looked for: comments and a DOCTYPE before
// the graph are short.
constexpr size_t lookedAt = 1 << 16;

bool isSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool isNameCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '-' || c == '.' ||
           c == ':';
}

// Moves at past blanks, line ends and, where hashLines is set, lines starting
// with '#'; where cComments is set, past C and C++ comments as well.
void skipSpace(std::string_view text, size_t& at, bool cComments) {
    while (at < text.size()) {
        if (isSpace(text[at])) {
            ++at;
        } else if (text[at] == '#' || (cComments && text.compare(at, 2, "//") == 0)) {
            while (at < text.size() && text[at] != '\n' && text[at] != '\r')
                ++at;
        } else if (cComments && text.compare(at, 2, "/*") == 0) {
            const size_t end = text.find("*/", at + 2);
            at = end == std::string_view::npos ? text.size() : end + 2;
        } else {
            return;
        }
    }
}

// Returns the name (identifier, number or quoted string) at `at`, moving past it.
std::string_view takeName(std::string_view text, size_t& at) {
    const size_t start = at;
    if (at < text.size() && text[at] == '"') {
        const size_t end = text.find('"', at + 1);
        at = end == std::string_view::npos ? text.size() : end + 1;
    } else {
        while (at < text.size() && isNameCharacter(text[at]))
            ++at;
    }
    return text.substr(start, at - start);
}

std::string lowerCase(std::string_view word) {
    std::string lower(word);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// Returns where the markup that starts at `at` ends (a processing instruction,
// a comment or a DOCTYPE, perhaps with an internal subset in brackets); npos
// when it does not end.
size_t endOfMarkup(std::string_view text, size_t at) {
    std::string_view close = ">";
    if (text.compare(at, 2, "<?") == 0) {
        close = "?>";
    } else if (text.compare(at, 4, "<!--") == 0) {
        close = "-->";
    } else {
        const size_t subset = text.find('[', at);
        if (subset < text.find('>', at))
            at = text.find(']', subset);
    }
    at = text.find(close, at);
    return at == std::string_view::npos ? at : at + close.size();
}

// The local name of the root element of XML text; "" when text is not XML.
std::string_view xmlRootName(std::string_view text) {
    size_t at = 0;
    for (;;) {
        while (at < text.size() && isSpace(text[at]))
            ++at;
        if (at == text.size() || text[at] != '<')
            return {};
        if (text.compare(at, 2, "<?") != 0 && text.compare(at, 2, "<!") != 0) {
            ++at;
            const std::string_view name = takeName(text, at);
            const size_t colon = name.rfind(':');
            return colon == std::string_view::npos ? name : name.substr(colon + 1);
        }
        at = endOfMarkup(text, at);
        if (at == std::string_view::npos)
            return {};
    }
}

// Whether text opens a DOT graph: [strict] (graph|digraph) [name] '{'.
bool opensDotGraph(std::string_view text) {
    size_t at = 0;
    skipSpace(text, at, true);
    std::string word = lowerCase(takeName(text, at));
    if (word == "strict") {
        skipSpace(text, at, true);
        word = lowerCase(takeName(text, at));
    }
    if (word != "graph" && word != "digraph")
        return false;
    skipSpace(text, at, true);
    if (at < text.size() && text[at] != '{')
        takeName(text, at);
    skipSpace(text, at, true);
    return at < text.size() && text[at] == '{';
}

// Whether text is GML: keys with plain values (a creator, a version), then
// "graph [".
bool opensGmlGraph(std::string_view text) {
    size_t at = 0;
    for (int pairs = 0; pairs < 64; ++pairs) {
        skipSpace(text, at, false);
        const std::string_view key = takeName(text, at);
        if (key.empty() || key[0] == '"')
            return false;
        skipSpace(text, at, false);
        if (at == text.size() || text[at] == '[' || text[at] == ']')
            return key == "graph" && at < text.size() && text[at] == '[';
        if (takeName(text, at).empty())
            return false;
    }
    return false;
}

} // namespace

bool importFormatOfText(std::string_view text, ImportFormat& format) {
    text = text.substr(0, lookedAt);
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.remove_prefix(3);
    const std::string_view root = xmlRootName(text);
    if (root == "graphml" || root == "gexf") {
        format = root == "graphml" ? ImportFormat::graphml : ImportFormat::gexf;
        return true;
    }
    if (opensDotGraph(text)) {
        format = ImportFormat::dot;
        return true;
    }
    if (opensGmlGraph(text)) {
        format = ImportFormat::gml;
        return true;
    }
    return false;
}

FileStatus readImport(const std::string& text, ImportFormat format, ImportedGraph& graph) {
    graph = ImportedGraph{};
    switch (format) {
    case ImportFormat::graphml:
        return readGraphml(text, graph);
    case ImportFormat::gexf:
        return readGexf(text, graph);
    case ImportFormat::gml:
        return readGml(text, graph);
    case ImportFormat::dot:
        return readDot(text, graph);
    case ImportFormat::edgelist:
        break;
    }
    return readEdgeList(text, graph);
}
