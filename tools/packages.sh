# Installs the Debian packages named as arguments that are not installed yet,
# with sudo unless already root. Sourced by the other scripts in this folder.
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
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" </dev/null >&2
}
