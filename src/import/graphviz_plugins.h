// Opens Graphviz for reading and laying out graphs. A build against Graphviz's
// shared libraries finds its plugins at run time; a static build (Windows)
// names the ones it has linked in.
#pragma once

#include <gvc.h>

// Returns a Graphviz context with the layout engines and the core renderer
// available, or nullptr if it cannot be made.
GVC_t* openGraphviz();
