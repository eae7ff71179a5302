#!/usr/bin/env bash
# The Debian package as a station installs it: cpack in BUILD_DIR, apt-get install, both programs
# start (the window on a private X server), the desktop entry is valid; then apt-get remove.
#   tests/package/deb-test.sh BUILD_DIR
# A bpconf the machine already has installed is left alone: the test is skipped.
set -uo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

if dpkg-query -W -f='${Status}' bpconf 2>/dev/null | grep -q "install ok installed"; then
    echo "package: bpconf is installed on this machine already; not replaced, test skipped"
    exit 0
fi

work=$(mktemp -d /tmp/bpconf-deb.XXXXXX)
installed=false display_pid="" app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$display_pid" ] && kill "$display_pid" 2>/dev/null
    if $installed; then
        DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq bpconf >/dev/null 2>&1
    fi
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

failed=0
ok() { echo "ok   $1"; }
bad() { failed=1; echo "FAIL $1"; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/bpconf_*.deb)
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$deb" >"$work/apt.log" 2>&1 &&
    installed=true && ok "apt-get install ./$(basename "$deb")" ||
    { bad "apt-get install ./$(basename "$deb")"; tail -20 "$work/apt.log"; exit 1; }

version=$(sed -n 's/^project(bpconf VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ "$(/usr/bin/bpconf-cli --version)" = "bpconf-cli $version" ] && ok "bpconf-cli --version" ||
    bad "bpconf-cli --version"
[ "$(/usr/bin/bpconf --version)" = "bpconf $version" ] && ok "bpconf --version" || bad "bpconf --version"
desktop-file-validate /usr/share/applications/bpconf.desktop && ok "desktop entry valid" ||
    bad "desktop entry valid"
[ -f /usr/share/icons/hicolor/scalable/apps/bpconf.svg ] && ok "icon installed" || bad "icon installed"

# The installed window starts and shows itself (capture printer, a counter of its own).
source "$root/scripts/private-display.sh"
if start_private_display "$work/xvfb.log"; then
    display_pid=$PRIVATE_DISPLAY_PID
    CUPS_SERVER=${BPCONF_TEST_CUPS_SERVER:-/nonexistent} LANG=zh_CN.UTF-8 LC_ALL= \
        XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" BPCONF_CAPTURE_DIR="$work/jobs" /usr/bin/bpconf \
        </dev/null >"$work/app.log" 2>&1 &
    app_pid=$!
    shown=false
    # Until the window is there or the program has ended, generously: the machine may be busy.
    for _ in $(seq 1 600); do
        kill -0 "$app_pid" 2>/dev/null || break
        if xwininfo -root -tree 2>/dev/null | grep -qF '"蓝牙打印机配置文件下载工具 V1.0"'; then
            shown=true
            break
        fi
        sleep 0.1
    done
    $shown && kill -0 "$app_pid" 2>/dev/null && ok "the installed window starts" ||
        { bad "the installed window starts"; cat "$work/app.log"; }
else
    bad "private X server"
fi
exit $failed
