# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64):
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Libraries built for Windows (freeglut, GoogleTest) are found through
# CMAKE_PREFIX_PATH. Programs link libgcc, libstdc++ and winpthread statically,
# so they run with no DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
# The posix thread model has std::thread and std::mutex; win32 lacks them in gcc 12.
find_program(CMAKE_C_COMPILER NAMES ${triple}-gcc-posix ${triple}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${triple}-g++-posix ${triple}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${triple}-windres windres)

# Only the target's own headers and libraries, never the build machine's; the
# prefixes named in CMAKE_PREFIX_PATH count as target roots too.
set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The build machine's pkg-config would describe Linux libraries.
set(PKG_CONFIG_EXECUTABLE "" CACHE FILEPATH "no pkg-config when cross-compiling")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# A release build ships without its symbols: half the size.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

# Tests run under Wine when it is there.
find_program(RUVO_WINE NAMES wine wine64)
if(RUVO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RUVO_WINE})
endif()
