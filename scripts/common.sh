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
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine wine64 locales-all zip unzip dpkg-dev tcl wixl
    msitools make perl bzip2 xz-utils)
# Packages of the Debian package and its test (dpkg-shlibdeps, the desktop entry's check).
PACKAGE_PACKAGES=(dpkg-dev desktop-file-utils)
# Packages of the window tests under a private X server.
DISPLAY_PACKAGES=(xvfb x11-utils imagemagick chromium)

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
    prepare_windows_libpq
    local sqlite="$ROOT/build-win/sqlite/amalgamation"
    build_tree "$ROOT/build-win" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DBPCONF_BUILD_BENCH=OFF -DBPCONF_SQLITE_AMALGAMATION="$sqlite" \
        -DBPCONF_LIBPQ_PREFIX="$ROOT/build-win/libpq/prefix"
}

# A private apt configuration in DIR that reads the system's own Debian archives (their deb
# entries) as deb-src, for `apt-get source`; its options in DEB_SRC_CONF.
deb_src_apt() {
    local dir=$1 f
    mkdir -p "$dir/lists/partial" "$dir/cache/archives/partial" "$dir/sources.list.d"
    if [ -f /etc/apt/sources.list ]; then
        sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >"$dir/sources.list"
    else
        : >"$dir/sources.list"
    fi
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        sed 's/^Types:.*/Types: deb-src/' "$f" >"$dir/sources.list.d/$(basename "$f")"
    done
    DEB_SRC_CONF=(-o "Dir::Etc::SourceList=$dir/sources.list"
                  -o "Dir::Etc::SourceParts=$dir/sources.list.d"
                  -o "Dir::State::Lists=$dir/lists" -o "Dir::Cache=$dir/cache")
}

# SQLite for the Windows build: the amalgamation (sqlite3.c, sqlite3.h) generated from Debian's
# sqlite3 source package, fetched by apt-get from the system's own Debian archives (their deb
# entries read as deb-src, in a private apt configuration) and cached in build-win/sqlite.
prepare_windows_sqlite() {
    local dir="$ROOT/build-win/sqlite"
    [ -f "$dir/amalgamation/sqlite3.c" ] && [ -f "$dir/amalgamation/sqlite3.h" ] && return 0
    ensure_packages dpkg-dev tcl
    rm -rf "$dir/apt" "$dir/source"
    mkdir -p "$dir/source" "$dir/amalgamation"
    deb_src_apt "$dir/apt"
    local apt=(apt-get -qq "${DEB_SRC_CONF[@]}" -o Debug::NoLocking=1)
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

# libpq for the Windows build: the PostgreSQL client library with TLS, as static libraries for
# x86_64-w64-mingw32, built from Debian's postgresql-15 and openssl source packages (fetched by
# apt-get from the system's own Debian archives, their deb entries read as deb-src in a private
# apt configuration) and installed into build-win/libpq/prefix: include/ (libpq-fe.h,
# libpq-events.h, postgres_ext.h, pg_config_ext.h, libpq/libpq-fs.h, openssl/) and lib/ (libpq.a,
# which holds libpq with the pgcommon and pgport pieces it needs, libssl.a, libcrypto.a and
# pkg-config files). A program links with
#   -lpq -lssl -lcrypto -lsecur32 -lws2_32 -lcrypt32 -lshell32 -ladvapi32 -luser32 -lgdi32
# (pkg-config --static libpq gives the same). Built once (some minutes), then cached.
prepare_windows_libpq() {
    local dir="$ROOT/build-win/libpq"
    local prefix="$dir/prefix" src="$dir/source" log="$dir/build.log"
    [ -f "$prefix/VERSIONS" ] && [ -f "$prefix/lib/libpq.a" ] && [ -f "$prefix/lib/libssl.a" ] &&
        [ -f "$prefix/lib/libcrypto.a" ] && [ -f "$prefix/include/libpq-fe.h" ] && return 0
    ensure_packages dpkg-dev g++-mingw-w64-x86-64-posix make perl bzip2 xz-utils
    echo "Building libpq and OpenSSL for Windows from Debian's sources (first time: some minutes)"
    rm -rf "$dir/apt" "$src" "$prefix"
    mkdir -p "$src" "$prefix"
    : >"$log"
    deb_src_apt "$dir/apt"
    local conf=("${DEB_SRC_CONF[@]}")
    local apt=(apt-get -qq "${conf[@]}" -o Debug::NoLocking=1)
    "${apt[@]}" update
    # The newest version the archives list first; an older one when its files can't be had (a
    # mirror may list a version in its index whose files it no longer, or not yet, serves).
    local pkg version fetched
    for pkg in openssl postgresql-15; do
        fetched=""
        for version in $(apt-cache "${conf[@]}" madison "$pkg" |
                         awk -F'|' '$3 ~ /Sources[[:space:]]*$/ { gsub(/[[:space:]]/, "", $2); print $2 }' |
                         perl -MDpkg::Version=version_compare -ne 'chomp; $v{$_} = 1;
                             END { print "$_\n" for sort { version_compare($b, $a) } keys %v }'); do
            if (cd "$src" && "${apt[@]}" source --download-only "$pkg=$version") >>"$log" 2>&1; then
                fetched=$version
                break
            fi
            rm -f "$src/${pkg}_"*
        done
        if [ -z "$fetched" ]; then
            echo "prepare_windows_libpq: could not fetch the source package $pkg:" >&2
            tail -n 20 "$log" >&2
            return 1
        fi
        # apt checked the files against the archive's signed index; dpkg-source's own signature
        # check has no maintainer keys here, so its words go to the log.
        dpkg-source -x "$src/${pkg}_"*.dsc "$src/$pkg" >>"$log" 2>&1 ||
            { tail -n 20 "$log" >&2; return 1; }
        echo "$pkg $fetched" >>"$src/VERSIONS"
    done

    local host=x86_64-w64-mingw32
    # OpenSSL: static, no DLL loading at all (no-dso: no dynamic engines or provider modules,
    # the legacy provider built in). The paths compiled in (openssl.cnf and the like) are the
    # Windows defaults of an administrator's installation, not this build folder: a build path
    # such as /tmp/... would be read on Windows as \tmp\... of the current drive, a folder any
    # user may create (CVE-2019-1552).
    local ossl_dirs=("OPENSSLDIR=C:/Program Files/Common Files/SSL"
                     "ENGINESDIR=C:/Program Files/OpenSSL/lib/engines-3"
                     "MODULESDIR=C:/Program Files/OpenSSL/lib/ossl-modules")
    (cd "$src/openssl" &&
        ./Configure mingw64 --cross-compile-prefix="$host-" CC=gcc-posix --prefix="$prefix" \
            --libdir=lib no-shared no-dso no-tests &&
        make -j "$JOBS" build_libs "${ossl_dirs[@]}" &&
        make install_dev "${ossl_dirs[@]}") >>"$log" 2>&1 ||
        { echo "prepare_windows_libpq: OpenSSL failed, see $log" >&2; tail -n 30 "$log" >&2; return 1; }

    # libpq: configured for Windows, then only the pieces libpq needs are compiled (the release
    # tarball holds the generated parser files, so neither bison nor flex is needed). On Windows
    # PostgreSQL's own libpq.a is the DLL's import library; the static library is put together
    # here from libpq's objects and those of libpgcommon_shlib and libpgport_shlib, without the
    # version resource (win32ver.o).
    local pq="$src/postgresql-15"
    (cd "$pq" &&
        ./configure --host="$host" CC="$host-gcc-posix" CXX="$host-g++-posix" --prefix="$prefix" \
            --with-ssl=openssl --without-readline --without-zlib --without-icu \
            CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" LIBS="-lws2_32 -lgdi32 -lcrypt32" \
            PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" &&
        make -C src/backend generated-headers &&
        make -C src/port -j "$JOBS" libpgport_shlib.a &&
        make -C src/common -j "$JOBS" libpgcommon_shlib.a &&
        make -C src/interfaces/libpq -j "$JOBS" -f Makefile -f - libpq-objects <<'EOF'
libpq-objects: $(filter-out $(WIN32RES),$(OBJS)) ; @echo $^ >objects.list
EOF
    ) >>"$log" 2>&1 ||
        { echo "prepare_windows_libpq: libpq failed, see $log" >&2; tail -n 30 "$log" >&2; return 1; }

    local objects=() listed o
    read -ra listed <"$pq/src/interfaces/libpq/objects.list"
    for o in "${listed[@]}"; do
        objects+=("$pq/src/interfaces/libpq/$o")
    done
    for o in $("$host-ar" t "$pq/src/common/libpgcommon_shlib.a"); do
        objects+=("$pq/src/common/$o")
    done
    for o in $("$host-ar" t "$pq/src/port/libpgport_shlib.a"); do
        objects+=("$pq/src/port/$o")
    done
    # libpq's own Windows stand-ins for pthread_mutex_lock and the like (pthread-win32.c) bear
    # the names of winpthreads' functions, which libstdc++ of the POSIX-threads compiler links
    # in: renamed, each keeps to its own. And pgcommon's exec.c sets the program's command-line
    # globbing (_CRT_glob, that is _dowildcard), which the linker would take from it for every
    # program: made local, that stays the program's own choice.
    local archive="$dir/libpq.a.tmp" renames="$dir/renames.txt"
    rm -f "$archive"
    "$host-nm" -g --defined-only "$pq/src/interfaces/libpq/pthread-win32.o" |
        awk 'NF == 3 && $2 == "T" { print $3, "pq_win32_" $3 }' >"$renames"
    { "$host-ar" qc "$archive" "${objects[@]}" &&
        "$host-objcopy" --redefine-syms="$renames" --localize-symbol=_dowildcard "$archive" &&
        "$host-ranlib" "$archive"; } >>"$log" 2>&1 ||
        { echo "prepare_windows_libpq: libpq.a failed, see $log" >&2; tail -n 30 "$log" >&2; return 1; }

    mkdir -p "$prefix/include/libpq" "$prefix/lib/pkgconfig"
    cp "$pq/src/interfaces/libpq/libpq-fe.h" "$pq/src/interfaces/libpq/libpq-events.h" \
        "$pq/src/include/postgres_ext.h" "$pq/src/include/pg_config_ext.h" "$prefix/include/"
    cp "$pq/src/include/libpq/libpq-fs.h" "$prefix/include/libpq/"
    local pqversion
    pqversion=$(sed -n 's/^#define PG_VERSION "\(.*\)"$/\1/p' "$pq/src/include/pg_config.h")
    cat >"$prefix/lib/pkgconfig/libpq.pc" <<EOF
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: libpq
Description: PostgreSQL libpq library, static, for $host
Version: $pqversion
Requires.private: libssl libcrypto
Cflags: -I\${includedir}
Libs: -L\${libdir} -lpq
Libs.private: -lsecur32 -lws2_32 -lcrypt32 -lshell32 -ladvapi32 -luser32 -lgdi32
EOF
    mv "$archive" "$prefix/lib/libpq.a"
    rm -f "$renames"
    # Written last: the cache's mark.
    cp "$src/VERSIONS" "$prefix/VERSIONS"
    rm -rf "$src"
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
