# Shared by scripts/run and scripts/test: the project root, package installation and the build.
# shellcheck shell=bash
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
JOBS=$(nproc 2>/dev/null || echo 2)

# Packages the build needs.
BUILD_PACKAGES=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
                libcups2-dev qt6-base-dev qt6-translations-l10n fonts-wqy-microhei)
# Packages of the private print server the tests and benchmarks start.
SCHEDULER_PACKAGES=(cups cups-client)
# Packages of the Windows build and its tests under wine (locales-all: the locales wine maps).
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine wine64 locales-all zip)
# Packages of the Debian package and its test (dpkg-shlibdeps, the desktop entry's check).
PACKAGE_PACKAGES=(dpkg-dev desktop-file-utils)
# Packages of the window tests under a private X server.
DISPLAY_PACKAGES=(xvfb x11-utils imagemagick)

# Installs the named Debian packages that are missing; apt-get update runs first, once.
ensure_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# The Windows build (cross-compiled with mingw-w64): the toolkit-free libraries, bpconf-cli.exe
# and the tests.
build_windows() {
    build_tree "$ROOT/build-win" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DBPCONF_BUILD_BENCH=OFF
}

# Configures (first time) and builds one build folder: build_tree DIR [cmake options...]
build_tree() {
    local dir=$1
    shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
    fi
    cmake --build "$dir" -j "$JOBS"
}
