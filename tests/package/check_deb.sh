#!/usr/bin/env bash
# Checks the Debian package given as argument: lintian finds no error or
# warning, the desktop entry and the manual pages are valid, the links of the
# README and the manual in /usr/share/doc/ruvo resolve, and the programs,
# installed (on CI, as root, with apt-get) or else extracted, work: ruvo opens
# its window in an Xvfb of its own and saves a graph that ruvo-export exports
# and ruvo-import reads back, and ruvo-import lays out a graph with Graphviz.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/lib.sh"
deb=$(realpath "$1")
version=$(dpkg-deb -f "$deb" Version)
work=$(mktemp -d)
installed= # "yes" once the package was installed with apt-get; empty when extracted
ruvo_pid=  # the editor's process id; empty when it is not running

cleanup() {
    [ -n "$ruvo_pid" ] && kill "$ruvo_pid" 2>/dev/null && wait "$ruvo_pid" 2>/dev/null
    stop_xvfb
    [ -n "$installed" ] && apt-get purge -y -qq -o DPkg::Lock::Timeout=600 ruvo </dev/null >/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

if lintian --fail-on error,warning --display-info "$deb"; then
    pass "lintian"
else
    fail "lintian reports errors or warnings"
fi

if [ "${CI:-}" = true ] && [ "$(id -u)" -eq 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=600 "$deb" \
        </dev/null >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt-get install"; }
    installed=yes
    prefix=
else
    dpkg-deb -x "$deb" "$work/root"
    prefix=$work/root
fi

desktop-file-validate "$prefix/usr/share/applications/ruvo.desktop" && pass "desktop entry" ||
    fail "desktop entry"
[ -f "$prefix/usr/share/icons/hicolor/scalable/apps/ruvo.svg" ] || fail "no icon"
check_manual_links "$prefix/usr/share/doc/ruvo"
for page in ruvo ruvo-export ruvo-import; do
    file=$prefix/usr/share/man/man1/$page.1.gz
    if [ ! -f "$file" ]; then
        fail "no manual page $page.1"
    elif mandoc -T lint -W warning "$file"; then
        pass "manual page $page.1"
    else
        fail "manual page $page.1 has warnings"
    fi
done

mkdir "$work/run" && cd "$work/run" || exit 1
start_xvfb || fail "Xvfb"
"$prefix/usr/bin/ruvo" >trace.txt 2>errors.txt &
ruvo_pid=$!
if window=$(wait_for_window Ruvo 20 "$ruvo_pid"); then
    pass "ruvo opens its window"
    # Two vertices, then S saves them to graph.ruv.
    xdotool mousemove --window "$window" 100 200 click 3 mousemove --window "$window" 300 200 \
        click 3 key s
    for _ in $(seq 100); do
        [ -s graph.ruv ] && break
        sleep 0.1
    done
    [ "$(sed -n 4p graph.ruv 2>/dev/null)" = 2 ] || fail "ruvo did not save its two vertices"
else
    fail "ruvo opened no window titled Ruvo: $(cat errors.txt); Xvfb said: $(cat xvfb.log)"
fi

export_program=$prefix/usr/bin/ruvo-export
if [ ! -x "$export_program" ]; then
    fail "ruvo-export is not in the package"
else
    [ "$("$export_program" --version)" = "ruvo-export $version" ] || fail "ruvo-export --version"
    if "$export_program" -f dot graph.ruv >graph.dot && grep -q digraph graph.dot; then
        pass "ruvo-export exports the saved graph"
    else
        fail "ruvo-export did not export the saved graph"
    fi
fi

import_program=$prefix/usr/bin/ruvo-import
if [ ! -x "$import_program" ]; then
    fail "ruvo-import is not in the package"
else
    [ "$("$import_program" --version)" = "ruvo-import $version" ] || fail "ruvo-import --version"
    if [ -s graph.dot ] && "$import_program" -o back.ruv graph.dot && cmp -s back.ruv graph.ruv; then
        pass "ruvo-import reads the exported graph back as it was saved"
    else
        fail "ruvo-import did not read the exported graph back as it was saved"
    fi
    printf 'a b\nb c\nc a\n' >ring.edges
    if "$import_program" -o ring.ruv ring.edges && [ "$(sed -n 4p ring.ruv)" = 3 ]; then
        pass "ruvo-import lays out a graph with Graphviz"
    else
        fail "ruvo-import did not lay out a graph"
    fi
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) of $(basename "$deb") failed" >&2; exit 1; }
echo "all checks of $(basename "$deb") passed"
