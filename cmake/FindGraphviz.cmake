# Finds Graphviz's graph library (cgraph) and layout library (gvc), and defines
# the imported target Graphviz::Graphviz with Graphviz_FOUND and
# Graphviz_VERSION. Where pkg-config is at hand (Debian: libgraphviz-dev) it
# reads libgvc.pc and libcgraph.pc; elsewhere it looks for the headers and the
# libraries under CMAKE_PREFIX_PATH. A Windows or web build takes the static
# libraries tools/windows or tools/web-deps builds (GraphvizStatic.cmake).
if(WIN32 OR EMSCRIPTEN)
  include(${CMAKE_CURRENT_LIST_DIR}/GraphvizStatic.cmake)
  return()
endif()

find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(PC_Graphviz QUIET IMPORTED_TARGET libgvc libcgraph)
endif()

include(FindPackageHandleStandardArgs)
if(PC_Graphviz_FOUND)
  set(Graphviz_VERSION ${PC_Graphviz_libgvc_VERSION})
  find_package_handle_standard_args(Graphviz REQUIRED_VARS PC_Graphviz_LINK_LIBRARIES
                                    VERSION_VAR Graphviz_VERSION)
  if(Graphviz_FOUND AND NOT TARGET Graphviz::Graphviz)
    add_library(Graphviz::Graphviz INTERFACE IMPORTED)
    target_link_libraries(Graphviz::Graphviz INTERFACE PkgConfig::PC_Graphviz)
  endif()
  return()
endif()

find_path(Graphviz_INCLUDE_DIR gvc.h PATH_SUFFIXES graphviz)
find_library(Graphviz_gvc_LIBRARY gvc)
find_library(Graphviz_cgraph_LIBRARY cgraph)
find_library(Graphviz_cdt_LIBRARY cdt)
if(Graphviz_INCLUDE_DIR AND EXISTS "${Graphviz_INCLUDE_DIR}/graphviz_version.h")
  file(STRINGS "${Graphviz_INCLUDE_DIR}/graphviz_version.h" Graphviz_VERSION_LINE
       REGEX "^#define PACKAGE_VERSION ")
  string(REGEX REPLACE "^#define PACKAGE_VERSION \"([^\"]*)\".*" "\\1" Graphviz_VERSION
                       "${Graphviz_VERSION_LINE}")
endif()
find_package_handle_standard_args(Graphviz
  REQUIRED_VARS Graphviz_gvc_LIBRARY Graphviz_cgraph_LIBRARY Graphviz_cdt_LIBRARY
                Graphviz_INCLUDE_DIR
  VERSION_VAR Graphviz_VERSION)
if(Graphviz_FOUND AND NOT TARGET Graphviz::Graphviz)
  add_library(Graphviz::Graphviz INTERFACE IMPORTED)
  target_include_directories(Graphviz::Graphviz INTERFACE ${Graphviz_INCLUDE_DIR})
  target_link_libraries(Graphviz::Graphviz INTERFACE ${Graphviz_gvc_LIBRARY}
                        ${Graphviz_cgraph_LIBRARY} ${Graphviz_cdt_LIBRARY})
endif()
mark_as_advanced(Graphviz_INCLUDE_DIR Graphviz_gvc_LIBRARY Graphviz_cgraph_LIBRARY
                 Graphviz_cdt_LIBRARY)
