# Shared by the scripts: package installation and the CMake build of one preset.
# shellcheck shell=bash

KESTREL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
KESTREL_PACKAGES=(g++ cmake ninja-build libgtest-dev libgmock-dev libcli11-dev libpng-dev libgif-dev git
                  qt6-base-dev libqt6opengl6-dev qt6-qpa-plugins libgl1-mesa-dri xvfb xauth
                  dpkg-dev file desktop-file-utils appstream shared-mime-info libglib2.0-bin
                  groff-base man-db pngquant)

# Installs the Debian packages named that are missing (apt-get, as root or through sudo).
ensure_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing Debian packages: ${missing[*]}" >&2
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}

# Configures and builds a CMake preset; echoes nothing, fails loudly.
build_preset() {
    local preset=$1
    cd "$KESTREL_ROOT" || return 1
    cmake --preset "$preset" >/dev/null || return 1
    cmake --build --preset "$preset" -j "$(nproc)"
}
