# The editor as a web page, built with Emscripten: the same model, file and
# window code as on the desktop, on Emscripten's own OpenGL and GLUT, with the
# web's file calls (src/io/file_system_web.cpp), the operations the page calls
# (src/ui/page_operations.cpp) and the page around the canvas (src/web). The
# page is index.html, index.js, index.wasm, ruvo.css, the manifest, the service
# worker and the icons in RUVO_WEB_PAGE; tools/web builds it in build/web.
set(RUVO_WEB_PAGE "${CMAKE_BINARY_DIR}/page" CACHE PATH "The folder the web page is built in")
set(ruvo_web "${CMAKE_SOURCE_DIR}/src/web")
find_program(RSVG_CONVERT rsvg-convert REQUIRED)

target_sources(ruvo PRIVATE src/ui/page_operations.cpp)
set_target_properties(ruvo PROPERTIES OUTPUT_NAME index SUFFIX ".html"
                                      RUNTIME_OUTPUT_DIRECTORY "${RUVO_WEB_PAGE}")
target_link_options(ruvo PRIVATE
  # glBegin and glEnd, on WebGL
  -sLEGACY_GL_EMULATION=1
  # A drawing buffer kept after it is shown, so tests can read the canvas back
  -sGL_TESTING=1
  # The browser's storage as a file system (the page mounts it); FS stays a
  # global for the page and its tests
  -lidbfs.js -sFORCE_FILESYSTEM=1
  # Large graphs; only a browser's window to run in
  -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=web
  # main, and what the page calls (src/ui/page_operations.cpp)
  "-sEXPORTED_FUNCTIONS=_main,_edgesDrawnAsTriangles,_chooseTool,_openGraph,_graphOnScreen,_hasUnsavedEdits,_countFileSuccesses,_countVertices,_countEdges"
  -sEXPORTED_RUNTIME_METHODS=ccall
  # Debian's emscripten cannot minify the page
  -sMINIFY_HTML=0
  "SHELL:--shell-file ${ruvo_web}/shell.html"
  "SHELL:--pre-js ${ruvo_web}/page.js"
  "SHELL:--post-js ${ruvo_web}/glut_listeners.js")
set_property(TARGET ruvo APPEND PROPERTY LINK_DEPENDS
  "${ruvo_web}/shell.html" "${ruvo_web}/page.js" "${ruvo_web}/glut_listeners.js"
  "${ruvo_web}/ruvo.css" "${ruvo_web}/service-worker.js" "${ruvo_web}/manifest.webmanifest")

# The page's other files, copied as they are; the icons drawn from Ruvo's own.
set(ruvo_icon "${CMAKE_SOURCE_DIR}/packaging/ruvo.svg")
add_custom_command(TARGET ruvo POST_BUILD
  COMMAND "${CMAKE_COMMAND}" -E copy "${ruvo_web}/ruvo.css" "${ruvo_web}/service-worker.js"
          "${ruvo_web}/manifest.webmanifest" "${ruvo_icon}"
          "${ruvo_web}/companion_worker.js" "${ruvo_web}/companions.js" "${RUVO_WEB_PAGE}"
  COMMAND "${RSVG_CONVERT}" -w 192 -h 192 -o "${RUVO_WEB_PAGE}/icon-192.png" "${ruvo_icon}"
  COMMAND "${RSVG_CONVERT}" -w 512 -h 512 -o "${RUVO_WEB_PAGE}/icon-512.png" "${ruvo_icon}")

# The companion programs, ruvo-import and ruvo-export, as the page runs them in
# a Web Worker (src/web/companion_worker.js): each a module the worker makes a
# fresh instance of for every run, started with its own command line through
# callMain, its files in the instance's own memory file system, its exit status
# through onExit. They are not part of the editor's page load: the worker is
# started, and fetches them, the first time one is needed.
foreach(companion ruvo-import ruvo-export)
  if(NOT TARGET ${companion})
    continue()
  endif()
  string(REPLACE "-" "_" module_name "${companion}")
  set_target_properties(${companion} PROPERTIES SUFFIX ".js"
                                                RUNTIME_OUTPUT_DIRECTORY "${RUVO_WEB_PAGE}")
  target_link_options(${companion} PRIVATE
    -sMODULARIZE=1 -sEXPORT_NAME=${module_name} -sENVIRONMENT=worker
    -sINVOKE_RUN=0 -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1 -sFORCE_FILESYSTEM=1
    -sEXPORTED_RUNTIME_METHODS=callMain,FS)
endforeach()
