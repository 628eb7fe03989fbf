# The libraries the companion programs are built on, from Debian's source
# packages, for another platform than the build machine's: sourced by
# tools/windows (MinGW-w64) and tools/web-deps (Emscripten), which set
#   platform   the name that starts this file's messages
#   deps       the folder of sources, builds and logs, kept between runs
#   prefix     the install prefix the libraries go to
#   jobs       the build's parallel jobs
# and define configure_for_platform, which runs cmake with the platform's
# compiler and the arguments given. Each library is built once; a file
# $prefix/.NAME-installed marks it done.

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# apt-get source needs a deb-src entry; one is added for the archives already
# in use, only when there is none.
ensure_deb_src() {
    local sources=(/etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources)
    if grep -qsE '^[[:space:]]*(deb-src[[:space:]]|Types:.*deb-src)' "${sources[@]}"; then
        return 0
    fi
    local file added
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        added=/etc/apt/sources.list.d/$(basename "$file" .sources)-src.sources
        echo "$platform: no deb-src entry; adding $added for the libraries' sources" >&2
        sed 's/^Types:.*$/Types: deb-src/' "$file" | as_root tee "$added" >/dev/null
    done
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        if [ ! -f "$file" ] || ! grep -qE '^[[:space:]]*deb[[:space:]]' "$file"; then
            continue
        fi
        added=/etc/apt/sources.list.d/$(basename "$file" .list)-src.list
        echo "$platform: no deb-src entry; adding $added for the libraries' sources" >&2
        sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$file" | as_root tee "$added" >/dev/null
    done
    as_root apt-get -o DPkg::Lock::Timeout=600 update -qq
}

# Configures a CMake project of the platform's (configure_for_platform, which
# the sourcing script defines) in $deps/NAME, quietly.
configure_dependency() {
    local name=$1 source=$2
    shift 2
    echo "== $platform: build $name" >&2
    configure_for_platform -S "$source" -B "$deps/$name" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" -Wno-dev "$@" >/dev/null
}

# Builds the target (all when none) of a configured dependency, its output kept
# in $deps/NAME.log and shown only when it fails.
compile_dependency() {
    cmake --build "$deps/$1" ${2:+--target "$2"} -j"$jobs" >"$deps/$1.log" 2>&1 ||
        { cat "$deps/$1.log" >&2; return 1; }
}

# Configures, builds and installs a CMake project for the platform into the
# prefix, quietly and without the project's own warnings turned into errors.
build_dependency() {
    local name=$1
    configure_dependency "$@"
    compile_dependency "$name"
    cmake --install "$deps/$name" >/dev/null
    touch "$prefix/.$name-installed"
}

# Prints the folder of a Debian source package unpacked in $deps/source (which
# may be a link to another build's folder, hence the slash).
source_folder() {
    find "$deps/source/" -mindepth 1 -maxdepth 1 -type d -name "$1-*" | head -n 1
}

# Unpacks Debian's source package of that name into $deps/source once and prints
# its folder. The archive's index can name a version its pool has dropped
# already; then the other versions it names are tried, newest first.
fetch_source() {
    local name=$1 version
    if [ -z "$(source_folder "$name")" ]; then
        ensure_deb_src >&2
        echo "== $platform: fetch $name's source" >&2
        for version in "" $(apt-cache showsrc "$name" | sed -n 's/^Version: //p' | sort -ruV); do
            (cd "$deps/source" && apt-get source -qq "$name${version:+=$version}" >/dev/null \
                2>"$deps/source.log") && break
            rm -rf "${deps:?}/source/$name"[-_]*
        done
        [ -n "$(source_folder "$name")" ] || { cat "$deps/source.log" >&2; return 1; }
    fi
    source_folder "$name"
}

# Expat's CMake build leaves XML_DTD defined empty, and Debian's security
# patches test it with "#if XML_DTD == 1", which then does not compile.
patch_expat() {
    sed -i 's/^#cmakedefine XML_DTD$/#cmakedefine XML_DTD 1/' "$1/expat/expat_config.h.cmake"
    touch "$1/.ruvo-patched"
}

# tools/windows-patches/graphviz.patch says what it changes (for Windows and
# the web alike). On top: every library static, and the headers' dllimport and dllexport plain extern, as
# they are elsewhere. GNU ld does not link an __imp_ reference to a static
# library's symbol, and a variable declared dllexport without extern is
# defined, empty, in every file that includes its header; where that header is
# cgraph.h, the empty copies stand in for the real ones and a null function
# pointer is called. The plugin table gvcext.h declares for Windows needs
# extern for the same reason.
patch_graphviz() {
    patch -d "$1" -p1 -s <"$root/tools/windows-patches/graphviz.patch"
    sed -i 's/^add_library(\([a-z_]*\) SHARED$/add_library(\1 STATIC/' "$1"/lib/*/CMakeLists.txt \
        "$1"/plugin/*/CMakeLists.txt
    sed -i 's/__declspec(dll[ei][xm]port)/extern/' "$1"/lib/*/*.h
    sed -i 's/^lt_symlist_t lt_preloaded_symbols\[\];/extern &/' "$1/lib/gvc/gvcext.h"
    touch "$1/.ruvo-patched"
}

# Builds expat, Graphviz, zlib and libpng into the prefix, static, each once.
build_companion_libraries() {
    mkdir -p "$deps/source" "$prefix"
    local folder archive unwanted
    # ruvo-import reads XML with expat and DOT with Graphviz, which lays graphs out
    # too; both static, Graphviz with expat.
    if [ ! -e "$prefix/.expat-installed" ]; then
        folder=$(fetch_source expat)
        [ -e "$folder/.ruvo-patched" ] || patch_expat "$folder"
        build_dependency expat "$folder/expat" -DEXPAT_SHARED_LIBS=OFF \
            -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF \
            -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_PKGCONFIG=OFF
    fi
    if [ ! -e "$prefix/.graphviz-installed" ]; then
        # Only the libraries: no plugin loading at run time, and none of the
        # optional packages, which would be the build machine's. expat is static,
        # and its header is in the prefix.
        # with_ipsepcola brings overlap=vpsc, which Debian's Graphviz has too; the
        # triangulation that overlap=prism needs (GTS) is not built.
        unwanted=()
        for package in ANN Cairo GD LTDL PangoCairo ZLIB RxSpencer; do
            unwanted+=("-DCMAKE_DISABLE_FIND_PACKAGE_$package=ON")
        done
        folder=$(fetch_source graphviz)
        [ -e "$folder/.ruvo-patched" ] || patch_graphviz "$folder"
        build_dependency graphviz "$folder" "-DCMAKE_C_FLAGS=-DXML_STATIC -I$prefix/include" \
            -Denable_ltdl=OFF -Dwith_ipsepcola=ON "${unwanted[@]}"
    fi
    # ruvo-export writes PNG with libpng, which compresses with zlib; both static.
    # zlib's CMake build makes a shared library too, from a resource file
    # Debian's source leaves out, so only its static library is built and
    # installed, as libz.a; an empty stand-in for the resource file lets the
    # build be configured.
    if [ ! -e "$prefix/.zlib-installed" ]; then
        folder=$(fetch_source zlib)
        mkdir -p "$folder/win32"
        [ -e "$folder/win32/zlib1.rc" ] || : >"$folder/win32/zlib1.rc"
        configure_dependency zlib "$folder"
        compile_dependency zlib zlibstatic
        mkdir -p "$prefix/lib" "$prefix/include"
        # Named libzlibstatic.a for Windows, libz.a elsewhere.
        archive=$deps/zlib/libzlibstatic.a
        [ -e "$archive" ] || archive=$deps/zlib/libz.a
        cp "$archive" "$prefix/lib/libz.a"
        cp "$deps/zlib/zconf.h" "$folder/zlib.h" "$prefix/include/"
        touch "$prefix/.zlib-installed"
    fi
    if [ ! -e "$prefix/.libpng-installed" ]; then
        folder=$(fetch_source libpng1.6)
        build_dependency libpng "$folder" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
            -DPNG_EXECUTABLES=OFF -DPNG_HARDWARE_OPTIMIZATIONS=OFF
    fi
}
