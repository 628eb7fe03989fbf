// GEXF as Gephi and NetworkX write it: nodes, edges, and a node's position in
// its viz:position element (y up). Elements are told by their local names, so
// every version of the format (1.1, 1.2, 1.3) reads alike.
#include "import/readers.h"
#include "import/xml_reader.h"

#include <cmath>

namespace {

// The elements the reader tells apart; everything else is other.
enum class Element { gexf, graph, nodes, node, edges, edge, other };

class GexfReader : public XmlReader {
  public:
    explicit GexfReader(ImportedGraph& into) : graph(into), builder(into) {}

    // Stores the edges read at their sources.
    void storeEdges() { builder.storeEdges(); }

  private:
    void startElement(std::string_view space, std::string_view name,
                      const char** attributes) override;
    void endElement() override;

    Element parent() const { return open.empty() ? Element::other : open.back(); }
    // Places the vertex of the open node where a viz:position element says.
    void readPosition(const char** attributes);

    ImportedGraph& graph;
    GraphBuilder builder;
    std::vector<Element> open;      // the elements open, outermost first
    std::vector<int32_t> openNodes; // the vertices of the open nodes, outermost first
    int graphs = 0;                 // graph elements met
};

void GexfReader::startElement(std::string_view, std::string_view name, const char** attributes) {
    Element element = Element::other;
    if (open.empty()) {
        if (name != "gexf")
            refuse("not GEXF: the document is <" + std::string(name) + ">");
        element = Element::gexf;
    } else if (name == "graph" && parent() == Element::gexf) {
        element = Element::graph;
        if (++graphs > 1)
            refuse("the file holds more than one graph");
    } else if (name == "nodes") {
        element = Element::nodes;
    } else if (name == "edges") {
        element = Element::edges;
    } else if (name == "node" && parent() == Element::nodes) {
        element = Element::node;
        openNodes.push_back(vertexOf(builder, attributes, "id", "a node"));
    } else if (name == "edge" && parent() == Element::edges) {
        element = Element::edge;
        addEdge(builder, attributes);
    } else if (name == "position" && parent() == Element::node) {
        readPosition(attributes);
    }
    open.push_back(element);
}

void GexfReader::endElement() {
    if (open.back() == Element::node)
        openNodes.pop_back();
    open.pop_back();
}

void GexfReader::readPosition(const char** attributes) {
    const int32_t vertex = openNodes.back();
    if (vertex < 0)
        return;
    // An axis the element leaves out is at 0, as in the format's own default.
    double position[2] = {};
    const char* const axes[2] = {"x", "y"};
    for (size_t i = 0; i < 2; ++i) {
        const char* const value = attribute(attributes, axes[i]);
        if (value == nullptr)
            continue;
        if (!readNumber(value, position[i]) || !std::isfinite(position[i])) {
            refuse(std::string("a position's ") + axes[i] + " " + quote(value) +
                   " is not a finite number");
            return;
        }
    }
    Vertex& v = graph.vertices[static_cast<size_t>(vertex)];
    v.x = position[0];
    v.y = position[1];
    graph.placed[static_cast<size_t>(vertex)] = true;
}

} // namespace

FileStatus readGexf(const std::string& text, ImportedGraph& graph) {
    GexfReader reader(graph);
    const FileStatus status = reader.parse(text);
    if (status.ok)
        reader.storeEdges();
    return status;
}
