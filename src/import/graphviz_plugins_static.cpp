// openGraphviz for a build linked with Graphviz's static libraries, where
// gvContext() finds no plugins: there is no plugin folder or configuration to
// read, so the context is given the plugins linked into the program.
#include "import/graphviz_plugins.h"

#include <gvplugin.h>

extern "C" {
extern gvplugin_library_t gvplugin_neato_layout_LTX_library;
extern gvplugin_library_t gvplugin_dot_layout_LTX_library;
extern gvplugin_library_t gvplugin_core_LTX_library;
}

namespace {

// Graphviz installs each entry whose name ends in "_LTX_library": neato's
// library brings neato, fdp, sfdp, circo, twopi, osage and patchwork, dot's
// brings dot, and core brings the renderers (dot, xdot, plain and others) that
// write a layout out. The empty entry ends the table.
const lt_symlist_t linkedPlugins[] = {
    {"gvplugin_neato_layout_LTX_library", &gvplugin_neato_layout_LTX_library},
    {"gvplugin_dot_layout_LTX_library", &gvplugin_dot_layout_LTX_library},
    {"gvplugin_core_LTX_library", &gvplugin_core_LTX_library},
    {nullptr, nullptr},
};

} // namespace

GVC_t* openGraphviz() {
    // No loading on demand: nothing beyond the table exists.
    return gvContextPlugins(linkedPlugins, 0);
}
