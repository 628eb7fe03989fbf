#include "import/import_formats.h"

#include "companion/command_line.h"
#include "import/readers.h"
#include "io/number_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <utility>

bool importFormatNamed(const std::string& name, ImportFormat& format) {
    static const std::pair<const char*, ImportFormat> names[] = {
        {"graphml", ImportFormat::graphml},
        {"gexf", ImportFormat::gexf},
        {"dot", ImportFormat::dot},
        {"edgelist", ImportFormat::edgelist}};
    return findNamed(names, name, format);
}

bool importFormatOfFileName(const std::string& fileName, ImportFormat& format) {
    std::string extension = lowerCaseExtension(fileName);
    if (extension == "gv")
        extension = "dot";
    else if (extension == "edges")
        extension = "edgelist";
    return importFormatNamed(extension, format);
}

FileStatus readImport(const std::string& text, ImportFormat format, ImportedGraph& graph) {
    graph = ImportedGraph{};
    switch (format) {
    case ImportFormat::graphml:
        return readGraphml(text, graph);
    case ImportFormat::gexf:
        return readGexf(text, graph);
    case ImportFormat::dot:
        return readDot(text, graph);
    case ImportFormat::edgelist:
        break;
    }
    return readEdgeList(text, graph);
}

int32_t GraphBuilder::vertexNamed(std::string_view name) {
    const auto count = static_cast<int64_t>(graph.vertices.size());
    if (numbered) {
        if (count == 0) {
            // The first name sets the prefix: what comes before its final digits.
            const size_t digits = name.find_last_not_of("0123456789") + 1;
            prefix = name.substr(0, digits);
        }
        const int64_t number = numberIn(name);
        if (number >= 0 && number < count)
            return static_cast<int32_t>(number);
        if (number == count)
            return addVertex(name);
        nameEveryVertex();
    }
    // Edges are often written one source after another.
    if (!names.empty() && names.back() == name)
        return static_cast<int32_t>(names.size() - 1);
    const uint64_t hash = std::hash<std::string_view>{}(name);
    const uint64_t tag = hash >> 32 << 32;
    size_t at = slotOf(hash);
    for (; slots[at] != 0; at = (at + 1) & (slots.size() - 1)) {
        if ((slots[at] & ~uint64_t{0xffffffff}) != tag)
            continue;
        const auto number = static_cast<int32_t>((slots[at] & 0xffffffff) - 1);
        if (names[static_cast<size_t>(number)] == name)
            return number;
    }
    return addVertex(name);
}

int64_t GraphBuilder::numberIn(std::string_view name) const {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return -1;
    const std::string_view digits = name.substr(prefix.size());
    if (digits.size() > 10 || (digits.size() > 1 && digits[0] == '0'))
        return -1;
    int64_t number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        number = number * 10 + (c - '0');
    }
    return number;
}

int32_t GraphBuilder::addVertex(std::string_view name) {
    if (graph.vertices.size() >= static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        return -1;
    const auto number = static_cast<int32_t>(graph.vertices.size());
    graph.vertices.emplace_back(0, 0);
    graph.placed.push_back(false);
    if (numbered)
        return number;
    names.push_back(keep(name));
    if (2 * names.size() > slots.size())
        grow();
    else
        place(number);
    return number;
}

void GraphBuilder::nameEveryVertex() {
    numbered = false;
    for (size_t number = 0; number < graph.vertices.size(); ++number)
        names.push_back(keep(prefix + std::to_string(number)));
    grow();
}

void GraphBuilder::grow() {
    slots.assign(std::max<size_t>(1024, 2 * slots.size()), 0);
    while (2 * names.size() > slots.size())
        slots.resize(2 * slots.size());
    for (size_t number = 0; number < names.size(); ++number)
        place(static_cast<int32_t>(number));
}

void GraphBuilder::place(int32_t number) {
    const uint64_t hash = std::hash<std::string_view>{}(names[static_cast<size_t>(number)]);
    size_t at = slotOf(hash);
    while (slots[at] != 0)
        at = (at + 1) & (slots.size() - 1);
    slots[at] = (hash >> 32 << 32) | (static_cast<uint64_t>(number) + 1);
}

void GraphBuilder::storeEdges() {
    // Counting first gives each list its size at once, where growing one entry at
    // a time would allocate and copy each list several times.
    std::vector<uint32_t> counts(graph.vertices.size());
    for (const auto& [source, target] : edges)
        ++counts[static_cast<size_t>(source)];
    for (size_t i = 0; i < counts.size(); ++i)
        graph.vertices[i].adjacency.reserve(graph.vertices[i].adjacency.size() + counts[i]);
    for (const auto& [source, target] : edges)
        graph.vertices[static_cast<size_t>(source)].adjacency.push_back(target);
    edges.clear();
}

std::string_view GraphBuilder::keep(std::string_view name) {
    // Names are copied into large blocks: one allocation per name would cost more
    // than the rest of reading a large file.
    constexpr size_t blockSize = 1 << 16;
    if (name.empty())
        return {};
    if (name.size() > blockFree) {
        const size_t size = std::max(blockSize, name.size());
        blocks.push_back(std::make_unique<char[]>(size));
        blockAt = blocks.back().get();
        blockFree = size;
    }
    char* const copy = blockAt;
    std::memcpy(copy, name.data(), name.size());
    blockAt += name.size();
    blockFree -= name.size();
    return {copy, name.size()};
}

static std::string_view trim(std::string_view text) {
    const auto space = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && space(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && space(text.back()))
        text.remove_suffix(1);
    return text;
}

bool readNumber(std::string_view text, double& value) {
    text = trim(text);
    if (text.empty())
        return false;
    // The graph file's own reader, which has strtod read what from_chars does
    // not (and all of it where the C++ library has no from_chars for doubles).
    const char* const end = text.data() + text.size();
    return readNumber(text.data(), end, value) == end;
}

bool readVertexNumber(std::string_view text, int32_t& value) {
    text = trim(text);
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && stop == end;
}

std::string quote(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (quoted.size() > 40) {
            quoted += "...";
            break;
        }
        quoted += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    }
    return quoted + "\"";
}

void moveIntoGraphFile(ImportedGraph& graph, GraphFile& file) {
    file.vertices.swap(graph.vertices);
    graph.vertices.clear();
    file.selectedVertex = graph.selectedVertex;
    file.selectedEdgeTarget = graph.selectedEdgeTarget;
    file.linkTarget = graph.linkTarget;
}
