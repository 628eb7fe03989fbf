# Reads a GraphML file with NetworkX and prints what it found: the graph's type
# and selection values, each node with its position, then each edge in id order.
import sys

import networkx as nx

graph = nx.read_graphml(sys.argv[1], force_multigraph=True)
print(type(graph).__name__, *(graph.graph[key] for key in
                               ("selectedVertex", "selectedEdgeTarget", "linkTarget")))
for node, data in graph.nodes(data=True):
    print(node, "%.6f" % data["x"], "%.6f" % data["y"])
for source, target, key in sorted(graph.edges(keys=True), key=lambda e: int(e[2][1:])):
    print(source, target)
