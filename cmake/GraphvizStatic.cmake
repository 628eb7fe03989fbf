# Graphviz as static libraries, as tools/windows builds them for Windows into
# build/windows-deps/prefix and tools/web-deps for the web into
# build/web-deps/prefix (found through CMAKE_PREFIX_PATH): the imported
# target Graphviz::Graphviz with cgraph, gvc, the layout engines and the core,
# dot_layout and neato_layout plugins, and expat (EXPAT::EXPAT) after them.
# A static build has no plugins to load at run time: the program hands
# gvContextPlugins a table of them (src/import/graphviz_plugins_static.cpp).
# libvpsc is C++, so the program is linked by the C++ compiler, as Ruvo's are.
# Sets Graphviz_FOUND, Graphviz_INCLUDE_DIR and Graphviz_VERSION.
if(TARGET Graphviz::Graphviz)
  return()
endif()

find_path(Graphviz_INCLUDE_DIR gvc.h PATH_SUFFIXES graphviz)
find_library(Graphviz_gvc_LIBRARY NAMES libgvc.a)
if(Graphviz_INCLUDE_DIR AND EXISTS "${Graphviz_INCLUDE_DIR}/graphviz_version.h")
  file(STRINGS "${Graphviz_INCLUDE_DIR}/graphviz_version.h" graphviz_version_line
       REGEX "^#define PACKAGE_VERSION ")
  string(REGEX REPLACE ".*\"(.*)\".*" "\\1" Graphviz_VERSION "${graphviz_version_line}")
endif()

# Each plugin, the layout code the plugins call (built as libraries of their own
# with generic names, so they are looked for beside libgvc only), and the
# libraries everything rests on.
set(graphviz_static_names
    gvplugin_neato_layout gvplugin_dot_layout gvplugin_core
    circogen fdpgen osage patchwork sfdpgen twopigen neatogen vpsc dotgen
    ortho sparse rbtree pack label common gvc xdot pathplan cgraph cdt)
set(graphviz_static_libraries)
set(graphviz_static_missing)
if(Graphviz_gvc_LIBRARY)
  get_filename_component(graphviz_static_dir "${Graphviz_gvc_LIBRARY}" DIRECTORY)
  foreach(name IN LISTS graphviz_static_names)
    find_library(Graphviz_${name}_LIBRARY NAMES lib${name}.a
                 PATHS "${graphviz_static_dir}" NO_DEFAULT_PATH)
    mark_as_advanced(Graphviz_${name}_LIBRARY)
    if(Graphviz_${name}_LIBRARY)
      list(APPEND graphviz_static_libraries "${Graphviz_${name}_LIBRARY}")
    else()
      list(APPEND graphviz_static_missing "lib${name}.a missing.")
    endif()
  endforeach()
endif()
mark_as_advanced(Graphviz_INCLUDE_DIR Graphviz_gvc_LIBRARY)

# Graphviz reads HTML labels with expat. A static expat on Windows must be
# compiled against with XML_STATIC, or its header asks for the functions of
# expat's DLL; every user of EXPAT::EXPAT gets it from the target.
find_package(EXPAT QUIET)
if(TARGET EXPAT::EXPAT AND EXPAT_LIBRARY MATCHES "\\.a$" AND NOT EXPAT_LIBRARY MATCHES "\\.dll\\.a$")
  get_target_property(graphviz_expat_definitions EXPAT::EXPAT INTERFACE_COMPILE_DEFINITIONS)
  if(NOT "XML_STATIC" IN_LIST graphviz_expat_definitions)
    set_property(TARGET EXPAT::EXPAT APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS XML_STATIC)
  endif()
endif()

set(graphviz_static_complete)
if(Graphviz_gvc_LIBRARY AND NOT graphviz_static_missing)
  set(graphviz_static_complete TRUE)
endif()
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Graphviz
  REQUIRED_VARS Graphviz_INCLUDE_DIR Graphviz_gvc_LIBRARY graphviz_static_complete EXPAT_FOUND
  VERSION_VAR Graphviz_VERSION
  REASON_FAILURE_MESSAGE "tools/windows or tools/web-deps builds them. ${graphviz_static_missing}")

if(Graphviz_FOUND)
  add_library(Graphviz::Graphviz INTERFACE IMPORTED)
  # Headers are included as <gvc.h>, as Graphviz's pkg-config files say, or as
  # <graphviz/gvc.h>.
  get_filename_component(graphviz_include_parent "${Graphviz_INCLUDE_DIR}" DIRECTORY)
  # libcommon and libgvc call each other, and libcommon and liblabel too: GNU
  # ld takes them in a group, which it searches until nothing new is needed.
  # expat is in the group as well, since CMake may put EXPAT::EXPAT's library
  # before the group when the program links expat itself; EXPAT::EXPAT brings
  # its header and XML_STATIC.
  set_target_properties(Graphviz::Graphviz PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${Graphviz_INCLUDE_DIR};${graphviz_include_parent}"
    INTERFACE_LINK_LIBRARIES
      "-Wl,--start-group;${graphviz_static_libraries};${EXPAT_LIBRARY};-Wl,--end-group;EXPAT::EXPAT")
endif()
