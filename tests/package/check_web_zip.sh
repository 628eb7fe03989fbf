#!/usr/bin/env bash
# Checks the web page's zip given as argument: unpacked to a temporary folder,
# it holds the page's files, the licence, README.txt, and the README and the manual
# with every link resolved.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/lib.sh"
zip=$(realpath "$1")
name=$(basename "$zip" .zip)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$work" && cmake -E tar xf "$zip") || fail "cannot unpack $zip"
folder=$work/$name
for file in index.html index.js index.wasm ruvo.css service-worker.js manifest.webmanifest \
    icon-192.png icon-512.png README.txt LICENSE.txt; do
    [ -f "$folder/$file" ] || fail "$file is not in the zip"
done
check_manual_links "$folder"

[ "$failures" -eq 0 ] || { echo "$failures check(s) of $(basename "$zip") failed" >&2; exit 1; }
echo "all checks of $(basename "$zip") passed"
