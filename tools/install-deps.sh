#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing the project need; with the
# argument "fuzz" also the compiler that the fuzzers need, with "ci" also clang and clang-format
# for the checks of .ci/run. Packages already present are left
# alone, so a second run costs nothing.
set -euo pipefail

packages=(
    build-essential
    cmake
    ninja-build
    pkg-config
    qt6-base-dev
    libgl-dev
    libicu-dev
    libgtest-dev
    libgmock-dev
    libbenchmark-dev
    nlohmann-json3-dev
    desktop-file-utils
    appstream
    file
    dpkg-dev
    lintian
    qt6-translations-l10n
    xvfb
    openbox
    xdotool
    x11-utils
    dbus
    at-spi2-core
    python3-pyatspi
    xclip
    jq
)
case "${1:-}" in
fuzz) packages+=(clang) ;;
ci) packages+=(clang clang-format) ;;
esac

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
