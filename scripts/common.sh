# Shared by scripts/run and scripts/test: the project root, package installation and the build.
# shellcheck shell=bash
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
JOBS=$(nproc 2>/dev/null || echo 2)

# Packages the build needs.
BUILD_PACKAGES=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
                libcups2-dev qt6-base-dev qt6-translations-l10n fonts-wqy-microhei
                libsqlite3-dev libpq-dev)
# Packages of the private print server and database server the tests and benchmarks start,
# and of reading the record's JSON back (jq).
SCHEDULER_PACKAGES=(cups cups-client postgresql jq)
# Packages of the Windows build and its tests under wine (locales-all: the locales wine maps).
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine wine64 locales-all zip dpkg-dev tcl)
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

# The Windows build (cross-compiled with mingw-w64): bpconf.exe, bpconf-cli.exe and the tests,
# with SQLite compiled in from Debian's own source package.
build_windows() {
    prepare_windows_sqlite
    local sqlite="$ROOT/build-win/sqlite/amalgamation"
    build_tree "$ROOT/build-win" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DBPCONF_BUILD_BENCH=OFF -DBPCONF_SQLITE_AMALGAMATION="$sqlite"
}

# SQLite for the Windows build: the amalgamation (sqlite3.c, sqlite3.h) generated from Debian's
# sqlite3 source package, fetched by apt-get from the system's own Debian archives (their deb
# entries read as deb-src, in a private apt configuration) and cached in build-win/sqlite.
prepare_windows_sqlite() {
    local dir="$ROOT/build-win/sqlite"
    [ -f "$dir/amalgamation/sqlite3.c" ] && [ -f "$dir/amalgamation/sqlite3.h" ] && return 0
    ensure_packages dpkg-dev tcl
    rm -rf "$dir/apt" "$dir/source"
    mkdir -p "$dir/apt/lists/partial" "$dir/apt/cache/archives/partial" "$dir/apt/sources.list.d" \
        "$dir/source" "$dir/amalgamation"
    if [ -f /etc/apt/sources.list ]; then
        sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >"$dir/apt/sources.list"
    else
        : >"$dir/apt/sources.list"
    fi
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        sed 's/^Types:.*/Types: deb-src/' "$f" >"$dir/apt/sources.list.d/$(basename "$f")"
    done
    local apt=(apt-get -qq -o "Dir::Etc::SourceList=$dir/apt/sources.list"
               -o "Dir::Etc::SourceParts=$dir/apt/sources.list.d"
               -o "Dir::State::Lists=$dir/apt/lists" -o "Dir::Cache=$dir/apt/cache"
               -o Debug::NoLocking=1)
    "${apt[@]}" update
    (cd "$dir/source" && "${apt[@]}" source --download-only sqlite3 2>/dev/null)
    # apt checked the files against the archive's signed index; dpkg-source's own signature
    # check has no maintainer keys here, so its words go to a log shown only on failure.
    dpkg-source -x "$dir"/source/sqlite3_*.dsc "$dir/source/tree" >"$dir/source/extract.log" 2>&1 ||
        { cat "$dir/source/extract.log" >&2; return 1; }
    (cd "$dir/source/tree" && ./configure --disable-tcl >/dev/null && make sqlite3.c >/dev/null)
    cp "$dir/source/tree/sqlite3.c" "$dir/source/tree/sqlite3.h" "$dir/amalgamation/"
    rm -rf "$dir/source"
}

# Configures (first time) and builds one build folder: build_tree DIR [cmake options...]
build_tree() {
    local dir=$1
    shift
    # Configured every time (quick when nothing changed), so an option added later reaches a
    # folder configured before it.
    cmake -S "$ROOT" -B "$dir" -G Ninja -DBPCONF_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$JOBS"
}
