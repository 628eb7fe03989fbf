// GraphML as NetworkX, Gephi, yEd, yEd Live and ruvo-export write it. A position
// is node data whose key is named "x" and "y" (y up), or else yEd's node
// geometry or yEd Live's RectD in NodeGeometry data, whose x and y are the upper
// left corner with y down. A file with the three selection
// keys that ruvo-export writes is in the window's coordinates.
#include "companion/exact_drawing.h"
#include "import/readers.h"
#include "import/xml_reader.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>

namespace {

constexpr std::string_view graphmlSpace = "http://graphml.graphdrawing.org/xmlns";
constexpr std::string_view yworksSpace = "http://www.yworks.com/xml/graphml";
constexpr std::string_view yfilesCommonSpace = "http://www.yworks.com/xml/yfiles-common/3.0";

// The attributes of a node's box, yEd's and yEd Live's: the corner, then the size.
constexpr const char* yedBox[4] = {"x", "y", "width", "height"};
constexpr const char* yedLiveBox[4] = {"X", "Y", "Width", "Height"};

// What a key's data means to the import.
enum class Role { other, x, y, selection, geometry };

struct Key {
    Role role = Role::other;
    size_t selection = 0;    // with Role::selection, which value: 0 to 2
    std::string defaultText; // the key's default; "" when it has none
    double defaultValue = 0; // with Role::x or Role::y, the default as a number
    bool hasDefault = false; // whether the key gives a default
};

// The elements the reader tells apart; everything else is other.
enum class Element { graphml, key, keyDefault, graph, node, edge, data, other };

// Which coordinates of a vertex its data gave.
enum : uint8_t { hasX = 1, hasY = 2 };

class GraphmlReader : public XmlReader {
  public:
    explicit GraphmlReader(ImportedGraph& into) : graph(into), builder(into) {}

    // Gives each vertex the position its data or its geometry holds, and reads
    // the selection of a file from ruvo-export. Returns the outcome.
    FileStatus finish();

  private:
    void startElement(std::string_view space, std::string_view name,
                      const char** attributes) override;
    void endElement() override;
    void text(std::string_view piece) override;

    Element parent() const { return open.empty() ? Element::other : open.back(); }
    void startKey(const char** attributes);
    void startNode(const char** attributes);
    void startData(const char** attributes);
    void readGeometry(const char** attributes, const char* const (&fields)[4]);
    void endKeyDefault();
    void endData();
    // Reads coordinate text of the named vertex, refusing what is not finite.
    bool readCoordinate(std::string_view text, const char* what, double& value);

    ImportedGraph& graph;
    GraphBuilder builder;
    std::unordered_map<std::string, Key> keys; // declared keys by id; none at first
    std::vector<Element> open;                 // the elements open, outermost first
    std::vector<int32_t> openNodes;            // the vertices of the open nodes
    std::vector<std::string> openNames;        // the ids of the open nodes
    std::vector<uint8_t> given;                // hasX and hasY per vertex, as data gave them
    std::unordered_map<int32_t, std::pair<double, double>>
        geometries;                   // yEd's centre per vertex; none at first
    std::string collected;            // the text of the element being read
    bool collecting = false;          // whether text goes to collected
    Key* currentKey = nullptr;        // the key whose default is being read; none
    const Key* dataKey = nullptr;     // the key of the data being read; none
    int32_t dataVertex = -1;          // the node the data belongs to; -1 for the graph
    int openNodeData = 0;             // open data elements of a node, for yEd
    int topGraphs = 0;                // graphs directly in the document
    std::string selectionText[3];     // the selection data of the graph
    bool selectionGiven[3] = {};      // whether the graph has that data
    const Key* selectionKeys[3] = {}; // the keys of the selection; none at first
};

void GraphmlReader::startElement(std::string_view space, std::string_view name,
                                 const char** attributes) {
    Element element = Element::other;
    const bool ours = space.empty() || space == graphmlSpace;
    if (open.empty()) {
        if (!ours || name != "graphml")
            refuse("not GraphML: the document is <" + std::string(name) + ">");
        element = Element::graphml;
    } else if (ours && name == "key" && parent() == Element::graphml) {
        element = Element::key;
        startKey(attributes);
    } else if (ours && name == "default" && parent() == Element::key) {
        element = Element::keyDefault;
        collected.clear();
        collecting = currentKey != nullptr;
    } else if (ours && name == "graph") {
        element = Element::graph;
        if (parent() == Element::graphml && ++topGraphs > 1)
            refuse("the file holds more than one graph");
    } else if (ours && name == "node" && parent() == Element::graph) {
        element = Element::node;
        startNode(attributes);
    } else if (ours && name == "edge" && parent() == Element::graph) {
        element = Element::edge;
        addEdge(builder, attributes);
    } else if (ours && name == "hyperedge") {
        refuse("hyperedges cannot be held in a graph file");
    } else if (ours && name == "data") {
        element = Element::data;
        startData(attributes);
    } else if (space == yworksSpace && name == "Geometry" && openNodeData > 0) {
        readGeometry(attributes, yedBox);
    } else if (space == yfilesCommonSpace && name == "RectD" && parent() == Element::data &&
               dataKey != nullptr && dataKey->role == Role::geometry) {
        readGeometry(attributes, yedLiveBox);
    }
    open.push_back(element);
}

void GraphmlReader::endElement() {
    const Element element = open.back();
    open.pop_back();
    if (element == Element::keyDefault && currentKey != nullptr) {
        endKeyDefault();
    } else if (element == Element::key) {
        currentKey = nullptr;
    } else if (element == Element::node) {
        openNodes.pop_back();
        openNames.pop_back();
    } else if (element == Element::data) {
        endData();
    }
}

void GraphmlReader::text(std::string_view piece) {
    if (collecting)
        collected.append(piece);
}

void GraphmlReader::startKey(const char** attributes) {
    const char* const id = attribute(attributes, "id");
    const char* const domain = attribute(attributes, "for");
    const char* const name = attribute(attributes, "attr.name");
    if (id == nullptr) {
        refuse("a key without an id");
        return;
    }
    Key& key = keys[id];
    for (const Key*& selection : selectionKeys)
        selection = selection == &key ? nullptr : selection;
    key = Key{};
    currentKey = &key;
    const std::string_view of = domain != nullptr ? domain : "all";
    const std::string_view called = name != nullptr ? name : "";
    if ((of == "node" || of == "all") && (called == "x" || called == "y"))
        key.role = called == "x" ? Role::x : Role::y;
    else if ((of == "node" || of == "all") && called == "NodeGeometry")
        key.role = Role::geometry;
    for (size_t i = 0; i < 3; ++i) {
        if ((of == "graph" || of == "all") && called == selectionNames[i]) {
            key.role = Role::selection;
            key.selection = i;
            selectionKeys[i] = &key;
        }
    }
}

void GraphmlReader::startNode(const char** attributes) {
    const int32_t vertex = vertexOf(builder, attributes, "id", "a node");
    openNodes.push_back(vertex);
    openNames.emplace_back(vertex >= 0 ? attribute(attributes, "id") : "");
}

void GraphmlReader::endKeyDefault() {
    Key& key = *currentKey;
    key.defaultText = collected;
    key.hasDefault = true;
    collecting = false;
    double coordinate = 0;
    int32_t vertex = 0;
    if ((key.role == Role::x || key.role == Role::y) &&
        readCoordinate(collected, "the default", coordinate))
        key.defaultValue = coordinate;
    else if (key.role == Role::selection && !readVertexNumber(collected, vertex))
        refuse(std::string("the default ") + quote(collected) + " of " +
               selectionNames[key.selection] + " is not a vertex number");
}

void GraphmlReader::startData(const char** attributes) {
    const Element owner = parent();
    dataKey = nullptr;
    if (owner == Element::node) {
        ++openNodeData;
        dataVertex = openNodes.back();
    } else if (owner == Element::graph && open.size() == 2) {
        dataVertex = -1;
    } else {
        return;
    }
    const char* const id = attribute(attributes, "key");
    const auto found = keys.find(id != nullptr ? id : "");
    if (found == keys.end() || found->second.role == Role::other ||
        (found->second.role == Role::selection) != (owner == Element::graph))
        return;
    dataKey = &found->second;
    collected.clear();
    collecting = dataKey->role != Role::geometry;
}

void GraphmlReader::endData() {
    const Key* const key = dataKey;
    dataKey = nullptr;
    collecting = false;
    if (openNodeData > 0 && parent() == Element::node)
        --openNodeData;
    if (key == nullptr || key->role == Role::geometry ||
        (key->role != Role::selection && dataVertex < 0))
        return;
    if (key->role == Role::selection) {
        selectionText[key->selection] = collected;
        selectionGiven[key->selection] = true;
        return;
    }
    const auto vertex = static_cast<size_t>(dataVertex);
    if (given.size() <= vertex)
        given.resize(vertex + 1);
    Vertex& v = graph.vertices[vertex];
    if (key->role == Role::x && readCoordinate(collected, "x", v.x))
        given[vertex] |= hasX;
    else if (key->role == Role::y && readCoordinate(collected, "y", v.y))
        given[vertex] |= hasY;
}

bool GraphmlReader::readCoordinate(std::string_view text, const char* what, double& value) {
    const bool number = readNumber(text, value);
    if (number && std::isfinite(value))
        return true;
    const std::string owner = openNames.empty() ? "" : "node " + quote(openNames.back()) + ": ";
    refuse(owner + what + " " + quote(text) +
           (number ? " is not a finite number" : " is not a number"));
    return false;
}

void GraphmlReader::readGeometry(const char** attributes, const char* const (&fields)[4]) {
    const int32_t vertex = openNodes.empty() ? -1 : openNodes.back();
    if (vertex < 0 || geometries.count(vertex) != 0)
        return;
    // The upper left corner and the size, y down; absent values count as 0.
    double values[4] = {};
    for (size_t i = 0; i < 4; ++i) {
        const char* const value = attribute(attributes, fields[i]);
        if (value != nullptr && !readCoordinate(value, fields[i], values[i]))
            return;
    }
    const double x = values[0] + values[2] / 2;
    const double y = -(values[1] + values[3] / 2);
    if (!std::isfinite(x) || !std::isfinite(y)) {
        refuse("node " + quote(openNames.back()) + ": its geometry's centre is not finite");
        return;
    }
    geometries[vertex] = {x, y};
}

FileStatus GraphmlReader::finish() {
    builder.storeEdges();
    // Key defaults stand in for data a node lacks.
    double defaults[2] = {};
    bool hasDefault[2] = {};
    for (const auto& [id, key] : keys) {
        if ((key.role == Role::x || key.role == Role::y) && key.hasDefault) {
            const size_t axis = key.role == Role::x ? 0 : 1;
            defaults[axis] = key.defaultValue;
            hasDefault[axis] = true;
        }
    }
    given.resize(graph.vertices.size());
    for (size_t i = 0; i < graph.vertices.size(); ++i) {
        Vertex& v = graph.vertices[i];
        if (!(given[i] & hasX) && hasDefault[0]) {
            v.x = defaults[0];
            given[i] |= hasX;
        }
        if (!(given[i] & hasY) && hasDefault[1]) {
            v.y = defaults[1];
            given[i] |= hasY;
        }
        const auto geometry = geometries.find(static_cast<int32_t>(i));
        if (given[i] != (hasX | hasY) && geometry != geometries.end()) {
            v.x = geometry->second.first;
            v.y = geometry->second.second;
            given[i] = hasX | hasY;
        }
        graph.placed[i] = given[i] == (hasX | hasY);
        if (!graph.placed[i])
            v.x = v.y = 0;
    }
    if (selectionKeys[0] == nullptr || selectionKeys[1] == nullptr || selectionKeys[2] == nullptr)
        return {};
    // A file from ruvo-export: its positions are the window's, and it carries the
    // selection.
    graph.frame = Frame::window;
    int32_t* const values[3] = {&graph.selectedVertex, &graph.selectedEdgeTarget,
                                &graph.linkTarget};
    for (size_t i = 0; i < 3; ++i) {
        const Key& key = *selectionKeys[i];
        if (!selectionGiven[i] && !key.hasDefault)
            continue;
        const std::string& value = selectionGiven[i] ? selectionText[i] : key.defaultText;
        if (!readVertexNumber(value, *values[i]))
            return {false, std::string(selectionNames[i]) + " " + quote(value) +
                               " is not a vertex number"};
    }
    return {};
}

} // namespace

FileStatus readGraphml(const std::string& text, ImportedGraph& graph) {
    GraphmlReader reader(graph);
    const FileStatus status = reader.parse(text);
    return status.ok ? reader.finish() : status;
}
