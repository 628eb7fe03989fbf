# Helpers for the package checks, sourced by check_deb.sh and check_zip.sh:
# failures are counted rather than fatal, so one run reports every fault.

failures=0 # checks failed so far; 0 when all passed
xvfb_pid=  # the private Xvfb's process id; empty when none runs

# Reports a failed check and counts it.
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Reports a passed check.
pass() {
    echo "ok: $*"
}

# Starts an Xvfb on a free display, points DISPLAY at it and waits until it
# answers; what Xvfb says goes to xvfb.log in the current directory.
start_xvfb() {
    local ready
    ready=$(mktemp)
    Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$ready" 2>xvfb.log &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$ready" ] && break
        sleep 0.05
    done
    [ -s "$ready" ] || { echo "Xvfb gave no display in 5 s: $(cat xvfb.log)" >&2; rm -f "$ready"; return 1; }
    export DISPLAY=":$(head -n1 "$ready")"
    rm -f "$ready"
    for _ in $(seq 100); do
        xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    echo "Xvfb on $DISPLAY does not answer: $(cat xvfb.log)" >&2
    return 1
}

# Stops the Xvfb that start_xvfb started, if any.
stop_xvfb() {
    [ -n "$xvfb_pid" ] || return 0
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=
}

# Checks that the README and the manual in folder $1 (README.md, docs/*.md)
# are there and that every link in them resolves inside that folder.
check_manual_links() {
    local report
    if report=$(python3 "$(dirname "${BASH_SOURCE[0]}")/../check_links.py" "$1" 2>&1); then
        pass "the README's and the manual's links resolve"
    else
        fail "broken links in the README or the manual: $report"
    fi
}

# Prints the id of the window titled exactly $1 once it is shown; fails after $2
# seconds, or as soon as process $3 has ended.
wait_for_window() {
    local title=$1 deadline=$((SECONDS + $2)) process=$3 id
    while [ "$SECONDS" -lt "$deadline" ]; do
        id=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        kill -0 "$process" 2>/dev/null || return 1
        sleep 0.2
    done
    return 1
}
