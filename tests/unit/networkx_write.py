# Writes a small drawn graph as NetworkX does: GraphML with node data x and y,
# or GEXF with viz positions. Vertex "c" is named first by an edge, "a" has a
# repeated edge and a self-loop.
import sys

import networkx as nx

graph = nx.MultiDiGraph()
graph.add_edge("c", "a")
graph.add_edge("a", "b")
graph.add_edge("a", "b")
graph.add_edge("a", "a")
positions = {"a": (0.0, 0.0), "b": (10.0, 0.0), "c": (10.0, 5.0)}
for name, (x, y) in positions.items():
    if sys.argv[1] == "graphml":
        graph.nodes[name]["x"] = x
        graph.nodes[name]["y"] = y
    else:
        graph.nodes[name]["viz"] = {"position": {"x": x, "y": y, "z": 0.0}}
if sys.argv[1] == "graphml":
    nx.write_graphml(graph, sys.argv[2])
else:
    nx.write_gexf(graph, sys.argv[2])
