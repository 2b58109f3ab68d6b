#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Tessamail on Debian 12 and runs it or its tests.
#   ./build.sh run    install what is missing, build the program alone, start it
#   ./build.sh test   install what is missing, build everything, run the whole test suite
# Both use the folder build/: the tests configured in it are only built by "test", so a first
# run waits for the program alone and a later "test" adds the test programs beside it.
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libsodium-dev libssl-dev
          libgmime-3.0-dev age python3)

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
}

build() {
    cmake --preset default >/dev/null
    cmake --build --preset default "$@"
}

case "${1:-}" in
run)
    install_missing
    build --target tessamail
    exec ./build/tessamail
    ;;
test)
    install_missing
    build
    QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" ctest --preset default -j2
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
