#include "import/graphviz_plugins.h"

GVC_t* openGraphviz() {
    // gvContext loads the system's plugins, the layout engines among them, as the
    // Graphviz commands do.
    return gvContext();
}
