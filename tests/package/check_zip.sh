#!/usr/bin/env bash
# Checks the Windows zip given as first argument, for the version given as
# second: it holds ruvo.exe, ruvo-export.exe, ruvo-import.exe, the README and
# the manual with every link resolved, and the licence; and, unpacked to a
# temporary folder, ruvo.exe opens its window under Wine in an Xvfb of its own,
# ruvo-export.exe reports the version and ruvo-import.exe lays out a graph with
# the engines linked into it.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$here/lib.sh"
zip=$(realpath "$1")
version=$2
name=$(basename "$zip" .zip)
work=$(mktemp -d)
ruvo_pid= # the Wine process running ruvo.exe; empty when it is not running
# A Wine prefix of the checks' own, kept between runs: making one takes a while.
export WINEPREFIX=$root/build/package/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

cleanup() {
    [ -n "$ruvo_pid" ] && kill "$ruvo_pid" 2>/dev/null
    wineserver -k 2>/dev/null
    [ -n "$ruvo_pid" ] && wait "$ruvo_pid" 2>/dev/null
    stop_xvfb
    rm -rf "$work"
}
trap cleanup EXIT

(cd "$work" && cmake -E tar xf "$zip") || fail "cannot unpack $zip"
folder=$work/$name
for file in ruvo.exe ruvo-export.exe ruvo-import.exe README.md LICENSE.txt; do
    [ -f "$folder/$file" ] || fail "$file is not in the zip"
done
check_manual_links "$folder"

mkdir -p "$WINEPREFIX" "$work/run" && cd "$work/run" || exit 1
start_xvfb || fail "Xvfb"
wine "$folder/ruvo.exe" >trace.txt 2>errors.txt &
ruvo_pid=$!
# A new Wine prefix takes some seconds to set up before the program starts.
if wait_for_window Ruvo 120 "$ruvo_pid" >/dev/null; then
    pass "ruvo.exe opens its window under Wine"
else
    fail "ruvo.exe opened no window titled Ruvo under Wine: $(cat errors.txt)"
fi

if [ -f "$folder/ruvo-export.exe" ]; then
    reported=$(wine "$folder/ruvo-export.exe" --version 2>&1 | tr -d '\r')
    [ "$reported" = "ruvo-export $version" ] && pass "ruvo-export.exe --version" ||
        fail "ruvo-export.exe --version said: $reported"
fi

if [ -f "$folder/ruvo-import.exe" ]; then
    # A triangle without positions: neato must be in the program, as a static
    # build has no plugins to load.
    imported=$(echo 'digraph { a -> b; b -> c; c -> a }' |
        wine "$folder/ruvo-import.exe" -f dot -o - - 2>&1 | tr -d '\r')
    [ "$(echo "$imported" | sed -n 4p)" = 3 ] && [ "$(echo "$imported" | wc -l)" -eq 10 ] &&
        pass "ruvo-import.exe lays out a graph" || fail "ruvo-import.exe said: $imported"
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) of $(basename "$zip") failed" >&2; exit 1; }
echo "all checks of $(basename "$zip") passed"
