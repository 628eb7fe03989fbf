// Where Graphviz's layout plugins come from: the system's shared plugins found
// at run time (graphviz_plugins_shared.cpp), or a table linked into a static
// build (graphviz_plugins_static.cpp).
#pragma once

#include <gvc.h>

// Returns a new Graphviz context whose layout engines are ready to use, or
// nullptr when Graphviz could not make one. Free it with gvFreeContext.
GVC_t* openGraphviz();
