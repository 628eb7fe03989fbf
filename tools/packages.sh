# Installs the Debian packages named as arguments that are not installed yet,
# with sudo unless already root. Sourced by the other scripts in this folder.
# Another package manager at work (an unattended upgrade, say) is waited for,
# not treated as a failure.
ensure_packages() {
    command -v dpkg-query >/dev/null 2>&1 || {
        echo "note: not a Debian system; make sure these are installed: $*" >&2
        return 0
    }
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing ${missing[*]}" >&2
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    local apt=("${sudo[@]}" apt-get -o DPkg::Lock::Timeout=900)
    # apt-get update takes the package lists' lock, which the timeout above does
    # not cover on every apt version; retry while someone else holds it.
    local attempt
    for attempt in $(seq 1 90); do
        "${apt[@]}" update -qq && break
        [ "$attempt" -eq 90 ] && return 1
        echo "apt-get update failed; waiting for another package manager to finish" >&2
        sleep 10
    done
    DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y -qq --no-install-recommends \
        "${missing[@]}" </dev/null >&2
}
