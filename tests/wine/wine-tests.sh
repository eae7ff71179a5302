#!/usr/bin/env bash
# The Windows build under wine, against the private scheduler of scripts/test
# (BPCONF_TEST_CUPS_SERVER):
#   tests/wine/wine-tests.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR
# Runs the Windows unit tests, the Win32 back end's tests (registry, locale, spooler, ports), the
# Win32 window's tests on a private X server, a screenshot of bpconf.exe, then end to end: the
# printer list, a default run from the command line and from the window whose jobs must equal the
# Linux build's byte for byte at the printer emulator, a queue named in Chinese, and "frames"
# output identical on both builds.
set -uo pipefail
# Only the tests' own scheduler: never the machine's.
export CUPS_SERVER=${BPCONF_TEST_CUPS_SERVER:?the private scheduler of scripts/print-server}

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
linux=$(cd "$1" && pwd)
win=$(cd "$2" && pwd)
work=$(mktemp -d /tmp/bpconf-wine.XXXXXX)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
passed=0
failed=0
emulator_pid=""
display_pid=""
queue=WineLine
dead_queue=WineDead
chinese_queue=打印机3

cleanup() {
    [ -n "$emulator_pid" ] && kill "$emulator_pid" 2>/dev/null
    lpadmin -x "$queue" 2>/dev/null
    lpadmin -x "$dead_queue" 2>/dev/null
    lpadmin -x "$chinese_queue" 2>/dev/null
    wineserver -k 2>/dev/null
    [ -d "$work/prefix-w2" ] && WINEPREFIX="$work/prefix-w2" wineserver -k 2>/dev/null
    [ -n "$display_pid" ] && kill "$display_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

ok() { passed=$((passed + 1)); echo "ok   $1"; }
bad() { failed=$((failed + 1)); echo "FAIL $1"; }
check() {
    local name=$1
    shift
    if "$@" >"$work/check.log" 2>&1; then
        ok "$name"
    else
        bad "$name"
        tail -n 30 "$work/check.log"
    fi
}

wine_cli() { wine "$win/src/app/bpconf-cli.exe" "$@"; }
linux_cli() { XDG_CONFIG_HOME="$work/linux-home" XDG_DATA_HOME="$work/linux-home" "$linux/src/app/bpconf-cli" "$@"; }

# The number of jobs the emulator has received.
job_count() { ls "$work/jobs" 2>/dev/null | grep -c '^job-.*\.bin$'; }

# The jobs of a default run at the printer: ten messages and the delivery check after them.
run_jobs=11

# A run's jobs from number a+1 equal those from number b+1, byte for byte: same_jobs a b
same_jobs() {
    local i
    for i in $(seq 1 "$run_jobs"); do
        cmp "$work/jobs/$(printf 'job-%04d.bin' $(($1 + i)))" \
            "$work/jobs/$(printf 'job-%04d.bin' $(($2 + i)))" || return 1
    done
}

# Letters drawn in IMAGE (dark on light) that are not one shape repeated: a font that lacks the
# characters draws the same empty box for each of them (4 pixels apart at the window's size).
# Four equal cells in a row are asked for, more than one real character spans.
distinct_glyphs() {
    local t="$work/glyphs.png" w h s
    convert "$1" -colorspace gray -threshold 60% -trim +repage "$t" || return 1
    read -r w h < <(identify -format '%w %h\n' "$t")
    echo "text drawn in ${w}x$h pixels"
    [ "$w" -ge 20 ] && [ "$h" -ge 6 ] || return 1
    for s in $(seq 4 $((w / 4))); do
        cell_repeats "$t" "$s" "$h" && {
            echo "one shape repeated every $s pixels: the characters have no glyphs"
            return 1
        }
    done
    return 0
}
# The first four cells of width s in IMAGE are the same picture: cell_repeats IMAGE s h
cell_repeats() {
    local i
    convert "$1" -crop "${2}x${3}+0+0" +repage "$work/cell-0.png"
    for i in 1 2 3; do
        convert "$1" -crop "${2}x${3}+$(($2 * i))+0" +repage "$work/cell-$i.png"
        [ "$(compare -metric AE "$work/cell-0.png" "$work/cell-$i.png" null: 2>&1)" = 0 ] || return 1
    done
}

# Waits until the emulator folder holds n jobs.
wait_jobs() {
    for _ in $(seq 1 600); do
        [ "$(ls "$work/jobs" 2>/dev/null | grep -c '^job-.*\.bin$')" -ge "$1" ] && return 0
        sleep 0.1
    done
    return 1
}

echo "== wine: prefix"
# Made under a locale whose code page has no Chinese, as a station's administrator may make it:
# the programs below start under zh_CN as well as en_US.
LANG=en_US.UTF-8 LC_ALL= wineboot --init >/dev/null 2>&1
# Chinese in message boxes and dialogs too, not only in the window's own font.
source "$root/scripts/wine-fonts.sh"
link_cjk_fonts || bad "the CJK font could not be linked in the prefix"

echo "== wine: unit tests"
check "unit tests (Windows build)" wine "$win/tests/bpconf_unit_tests.exe" --gtest_brief=1
check "Win32 back end tests" wine "$win/tests/bpconf_win32_tests.exe" --gtest_brief=1
for pair in zh_CN.UTF-8:0804 zh_TW.UTF-8:0404 en_US.UTF-8:0409 de_DE.UTF-8:0407; do
    check "language ID under LANG=${pair%%:*} is ${pair##*:}" \
        env LANG="${pair%%:*}" LC_ALL= BPCONF_EXPECTED_LANGUAGE_ID="${pair##*:}" \
        wine "$win/tests/bpconf_win32_tests.exe" --gtest_filter='Win32Locale.*' --gtest_brief=1
done

# Utf8ToCodePage on both builds for every character of the BMP (and a few beyond) in each ANSI
# code page: the Linux build must send what WideCharToMultiByte sends.
same_code_page() {
    "$linux/tests/bpconf_code_page_table" "$1" >"$work/code-page-linux.txt" || return 1
    wine "$win/tests/bpconf_code_page_table.exe" "$1" >"$work/code-page-wine.txt" || return 1
    diff "$work/code-page-linux.txt" "$work/code-page-wine.txt" | head -20
}
for cp in 874 932 936 949 950 1250 1251 1252 1253 1254 1255 1256 1257 1258; do
    check "code page CP$cp: every character as WideCharToMultiByte writes it" same_code_page "CP$cp"
done

echo "== wine: the window"
# Version and usage of both programs on standard output.
check "bpconf.exe --version" bash -c '[ "$(wine "$0/src/app/bpconf.exe" --version | tr -d "\r")" = "$(
    "$1/src/app/bpconf" --version)" ]' "$win" "$linux"
check "bpconf-cli.exe --version and --help" bash -c '
    [ "$(wine "$0/src/app/bpconf-cli.exe" --version | tr -d "\r")" = "$("$1/src/app/bpconf-cli" --version)" ] &&
    wine "$0/src/app/bpconf-cli.exe" --help | grep -q "^usage: bpconf-cli"' "$win" "$linux"

# The screenshot starts an X server of its own; the client area is the designed 411 x 544 and the
# start button's Chinese caption is drawn in glyphs (start button: 82 x 28 at 188, 478), under a
# Chinese and under an English locale (whose code page has no Chinese characters).
screenshot() {
    wineserver -k 2>/dev/null
    BPCONF_SCREENSHOT_LANG=$1 "$root/scripts/screenshot" --windows "$work/window.png" "$win" >"$work/shot.txt" ||
        return 1
    cat "$work/shot.txt"
    [ "$(cat "$work/shot.txt")" = 411x544 ] || return 1
    convert "$work/window.png" -crop 76x22+191+481 +repage "$work/button3.png" &&
        distinct_glyphs "$work/button3.png"
}
for lang in zh_CN.UTF-8 en_US.UTF-8; do
    check "screenshot of bpconf.exe under $lang: client area 411x544, Chinese captions in glyphs" \
        screenshot "$lang"
done
wineserver -k 2>/dev/null

# A private X server for a message box and the window tests.
source "$root/scripts/private-display.sh"
start_private_display "$work/xvfb.log" && display_pid=$PRIVATE_DISPLAY_PID

# A message box drawn by wine itself: bpconf.exe started with a mistyped line address opens the
# box "错误" before anything else. Its first line of text (right of the icon) must be letters, not
# one empty box repeated, under a Chinese locale in a prefix made under another one. (Managed, as
# by default: without a window manager the box's X window is then its client area.)
message_box() {
    local app id="" _
    wineserver -k 2>/dev/null
    LANG=zh_CN.UTF-8 LC_ALL= BPCONF_DATABASE_URL='postgresq://line-db/bpconf_line' \
        BPCONF_CAPTURE_DIR="$work/box-jobs" wine "$win/src/app/bpconf.exe" </dev/null \
        >"$work/box-app.log" 2>&1 &
    app=$!
    for _ in $(seq 1 1800); do
        id=$(xwininfo -root -tree 2>/dev/null | grep -F '"错误"' | awk '{print $1}' | head -n 1)
        [ -n "$id" ] && break
        kill -0 "$app" 2>/dev/null || break
        sleep 0.1
    done
    [ -n "$id" ] || { echo "the box did not appear"; kill "$app" 2>/dev/null; return 1; }
    # Until its text is painted: two pictures alike, with text in the line (a first picture may
    # be taken before the box is painted, or while it is).
    local painted=false
    for _ in $(seq 1 600); do
        import -window "$id" "$work/box-next.png" 2>/dev/null &&
            convert "$work/box-next.png" -crop 100x10+60+9 +repage "$work/box-line.png" &&
            [ "$(convert "$work/box-line.png" -colorspace gray -threshold 60% -format '%[fx:mean<1]' info:)" = 1 ] &&
            [ -f "$work/box.png" ] &&
            [ "$(compare -metric AE "$work/box.png" "$work/box-next.png" null: 2>&1)" = 0 ] &&
            { painted=true; break; }
        mv -f "$work/box-next.png" "$work/box.png" 2>/dev/null
        sleep 0.5
    done
    kill "$app" 2>/dev/null
    wineserver -k 2>/dev/null
    $painted || { echo "the box's text was never painted"; return 1; }
    distinct_glyphs "$work/box-line.png"
}
check "message box under zh_CN: its Chinese drawn in glyphs" message_box

# The window tests. An unmanaged window is created and destroyed quickly, which matters to a
# suite that makes a window per test.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
check "Win32 window tests" wine "$win/tests/bpconf_win32_window_tests.exe" --gtest_brief=1

echo "== wine: end to end through the scheduler"
"$linux/tests/support/bpconf-printer-emulator" --dir "$work/jobs" --port-file "$work/port" \
    >"$work/emulator.log" 2>&1 </dev/null &
emulator_pid=$!
for _ in $(seq 1 600); do
    [ -s "$work/port" ] && break
    kill -0 "$emulator_pid" 2>/dev/null || break
    sleep 0.1
done
lpadmin -p "$queue" -v "socket://127.0.0.1:$(cat "$work/port")" -E && lpadmin -d "$queue"

same_printers() {
    local w l
    # The same names, the same default; the order is the system's own (wine lists the default
    # first, CUPS by name).
    w=$(wine_cli printers | sort)
    l=$(linux_cli printers | sort)
    [ "$w" = "$l" ] && grep -qx "\* $queue" <<<"$w"
}
check "printers: the scheduler's queues, default marked" same_printers

# A queue whose device refuses every connection, beside the one that prints.
lpadmin -p "$dead_queue" -v socket://127.0.0.1:1 -E
check "job states from GetJob: a printed job is done" \
    env BPCONF_WINE_QUEUE="$queue" BPCONF_WINE_DEAD_QUEUE="$dead_queue" \
    wine "$win/tests/bpconf_win32_tests.exe" --gtest_filter='Win32Spooler.JobStates*' --gtest_brief=1
cancel -a "$dead_queue" 2>/dev/null
lpadmin -x "$dead_queue"

same_run() {
    local before
    before=$(ls "$work/jobs" 2>/dev/null | grep -c '^job-.*\.bin$')
    wine reg delete 'HKCU\SOFTWARE\kelvor\PrinterTest' /f >/dev/null 2>&1
    linux_cli run --no-pacing --printer "$queue" >"$work/linux-run.out" || return 1
    wait_jobs $((before + run_jobs)) || return 1
    wine_cli run --no-pacing --printer "$queue" >"$work/wine-run.out" || return 1
    wait_jobs $((before + 2 * run_jobs)) || return 1
    same_jobs "$before" $((before + run_jobs)) || return 1
    # The last job of each is the delivery check: one NUL byte.
    [ "$(od -An -tx1 "$work/jobs/$(printf 'job-%04d.bin' $((before + 2 * run_jobs)))" | tr -d ' ')" = 00 ] ||
        return 1
    cmp -s "$work/linux-run.out" "$work/wine-run.out"
}
check "run: the same ten jobs and delivery check, byte for byte, and the same status lines" same_run

# Two processes stamping from the one registry counter at the same time: no number twice.
shared_counter() {
    wine reg delete 'HKCU\SOFTWARE\kelvor\PrinterTest' /f >/dev/null 2>&1
    wine reg add 'HKCU\SOFTWARE\kelvor\PrinterTest' /v Num /t REG_SZ /d 0100 /f >/dev/null 2>&1
    rm -rf "$work/shared" "$work/shared.err"
    local pids=()
    for _ in 1 2; do
        (for _ in $(seq 1 10); do
            wine_cli run --no-pacing --capture "$work/shared" >/dev/null 2>>"$work/shared.err" ||
                exit 1
        done) &
        pids+=($!)
    done
    # A run that fails says why in the test's output.
    wait "${pids[@]}" || { cat "$work/shared.err"; return 1; }
    local serials
    serials=$(for f in "$work"/shared/job-*.bin; do "$linux/src/app/bpconf-cli" decode "$f"; done | grep '^STSN')
    [ "$(wc -l <<<"$serials")" -eq 20 ] && [ "$(sort -u <<<"$serials" | wc -l)" -eq 20 ] &&
        wine reg query 'HKCU\SOFTWARE\kelvor\PrinterTest' /v Num | grep -q 0120
}
check "counter: two processes sharing the registry stamp 20 distinct numbers" shared_counter

# The window's default run (pressed through its button; the date of its test clock, a fresh
# counter) against the Linux command line's with the same month and a fresh counter.
window_run() {
    local before
    before=$(job_count)
    env BPCONF_WINE_RUN_QUEUE="$1" wine "$win/tests/bpconf_win32_window_tests.exe" \
        --gtest_filter='Win32Window.RunReachesTheChosenQueueOfTheSystem' --gtest_brief=1 || return 1
    wait_jobs $((before + run_jobs)) || return 1
    XDG_CONFIG_HOME="$work/window-home-$before" XDG_DATA_HOME="$work/window-home-$before" \
        "$linux/src/app/bpconf-cli" run --no-pacing \
        --printer "$1" --set serial.month=202612 >/dev/null || return 1
    wait_jobs $((before + 2 * run_jobs)) || return 1
    same_jobs "$before" $((before + run_jobs))
}
check "window: a default run through the button, the same ten jobs as on Linux" window_run "$queue"

echo "== wine: a queue named in Chinese"
# Wine reads the command line and the environment in the code set of the locale: UTF-8 here.
saved_lang=${LANG-} saved_lc_all=${LC_ALL-}
export LANG=en_US.UTF-8 LC_ALL=
lpadmin -p "$chinese_queue" -v "socket://127.0.0.1:$(cat "$work/port")" -E
check "printers: $chinese_queue listed alike on both builds" same_printers
chinese_printers() { wine_cli printers | tr -d '\r' | grep -qx "  $chinese_queue"; }
check "printers: $chinese_queue in UTF-8" chinese_printers
chinese_run() {
    local before
    before=$(job_count)
    wine_cli run --no-pacing --printer "$chinese_queue" >"$work/chinese-run.out" || return 1
    wait_jobs $((before + run_jobs)) && grep -q '^\[20/20\]' "$work/chinese-run.out"
}
check "run --printer $chinese_queue reaches it" chinese_run
check "window: $chinese_queue in the list, a run reaches it" window_run "$chinese_queue"
export LANG=$saved_lang LC_ALL=$saved_lc_all

# The record on Windows: a SQLite file in %LOCALAPPDATA%; a line database named that does not
# answer stops the run before its first byte, never a fallback to the registry's counter.
windows_record() {
    rm -rf "$work/record-jobs"
    BPCONF_STATION=WineStation wine_cli run --no-pacing --capture "$work/record-jobs" \
        --set serial.month=202612 >/dev/null || return 1
    local csv
    csv=$(wine_cli units --station WineStation | tr -d '\r')
    echo "$csv"
    [ "$(wc -l <<<"$csv")" -eq 2 ] && grep -q ',WineStation,english,capture ' <<<"$csv" &&
        grep -q ',finished,' <<<"$csv" || return 1
    local err before
    before=$(ls "$work/record-jobs" | wc -l)
    err=$(BPCONF_STATION=WineStation BPCONF_DATABASE_URL="host=127.0.0.1 port=1 dbname=line" \
        wine_cli run --no-pacing --capture "$work/record-jobs" 2>&1 >/dev/null)
    echo "$err"
    grep -q "The line's database host=127.0.0.1 port=1 dbname=line does not answer" <<<"$err" &&
        [ "$(ls "$work/record-jobs" | wc -l)" -eq "$before" ]
}
check "record: entries in %LOCALAPPDATA%, read back by units; a line that does not answer sends nothing" \
    windows_record

echo "== wine: a line database over TCP with TLS"
# The private database server of scripts/test also listens on 127.0.0.1, TLS only, with a
# password (BPCONF_TEST_DATABASE_TCP, the password in BPCONF_TEST_DATABASE_PGPASS): two Windows
# stations and one Linux station, in parallel. Each Windows station is a machine of its own (a
# wine prefix of its own: its own station file). On one machine holding two names, a run under
# one name is refused while an entry of the other waits for the line, as the README says, and an
# entry waits for a moment in every run.
line_db=bpconf_wine_line
tcp=${BPCONF_TEST_DATABASE_TCP:-}
ca=$(sed -n 's/.*sslrootcert=\([^ ]*\).*/\1/p' <<<"$tcp")
# A Windows path with forward slashes: a backslash in a connection string starts an escape.
win_path() { winepath -w "$1" 2>/dev/null | tr -d '\r' | tr '\\' /; }
win_line() { sed "s|sslrootcert=[^ ]*|sslrootcert=$(win_path "$ca")|" <<<"$tcp dbname=$line_db"; }
line_cli() {  # line_cli STATION ARGS...: bpconf-cli.exe as a Windows station of the line
    BPCONF_STATION=$1 PGPASSFILE=$(win_path "$BPCONF_TEST_DATABASE_PGPASS") \
        BPCONF_DATABASE_URL=$(win_line) wine "$win/src/app/bpconf-cli.exe" "${@:2}"
}
# The second Windows station's machine.
second_machine="$work/prefix-w2"
if [ -n "$tcp" ] && [ -n "${BPCONF_TEST_DATABASE_URL:-}" ]; then
    psql -q "$BPCONF_TEST_DATABASE_URL" -c "DROP DATABASE IF EXISTS $line_db WITH (FORCE)" \
        -c "CREATE DATABASE $line_db OWNER bpconf" >/dev/null
    three_stations() {
        rm -rf "$work/line-jobs"
        line_cli setup db init || return 1
        WINEPREFIX=$second_machine wineboot --init >/dev/null 2>&1 || return 1
        local pids=() s
        for s in W1 W2; do
            (if [ "$s" = W2 ]; then export WINEPREFIX=$second_machine; fi
            for _ in 1 2 3; do
                line_cli $s run --no-pacing --set serial.month=202612 \
                    --capture "$work/line-jobs/$s" >/dev/null || exit 1
            done) &
            pids+=($!)
        done
        (for _ in 1 2 3; do
            BPCONF_STATION=L1 PGPASSFILE="$BPCONF_TEST_DATABASE_PGPASS" \
                BPCONF_DATABASE_URL="$tcp dbname=$line_db" linux_cli run --no-pacing \
                --set serial.month=202612 --capture "$work/line-jobs/L1" >/dev/null || exit 1
        done) &
        pids+=($!)
        wait "${pids[@]}" || return 1
        local serials
        serials=$(cat "$work"/line-jobs/*/job-*.bin | "$linux/src/app/bpconf-cli" decode | grep '^STSN')
        echo "$serials"
        [ "$(wc -l <<<"$serials")" -eq 9 ] && [ "$(sort -u <<<"$serials" | wc -l)" -eq 9 ] &&
            [ "$(psql -At "$BPCONF_TEST_DATABASE_URL dbname=$line_db" -c \
                "SELECT count(*) || ' ' || count(DISTINCT station) FROM units")" = "9 3" ] &&
            [ "$(psql -At "$BPCONF_TEST_DATABASE_URL dbname=$line_db" -c \
                "SELECT string_agg(DISTINCT state, ',') || ' ' || count(*) FROM serials")" = "stamped 9" ]
    }
    check "line over TLS: two Windows stations and a Linux one, 3 runs each: 9 numbers, 9 entries, all stamped" \
        three_stations

    # Refused before the first byte, the queue empty, the registry's counter untouched.
    refused_before_sending() {
        local url=$1 passfile=$2 says=$3 out before counter
        before=$(job_count)
        counter=$(wine reg query 'HKCU\SOFTWARE\kelvor\PrinterTest' /v Num 2>/dev/null | tr -d '\r')
        out=$(BPCONF_STATION=W1 PGPASSFILE="$passfile" BPCONF_DATABASE_URL="$url" \
            wine_cli run --no-pacing --printer "$queue" 2>&1)
        local status=$?
        echo "$out"
        [ "$status" -eq 1 ] && grep -q -- "$says" <<<"$out" &&
            [ "$(job_count)" -eq "$before" ] && [ -z "$(lpstat -o "$queue" 2>/dev/null)" ] &&
            [ "$(wine reg query 'HKCU\SOFTWARE\kelvor\PrinterTest' /v Num 2>/dev/null | tr -d '\r')" = "$counter" ]
    }
    printf '127.0.0.1:*:*:bpconf:not-the-password\n' >"$work/wrong-pgpass"
    chmod 0600 "$work/wrong-pgpass"
    check "line over TLS: a server that is down sends nothing" refused_before_sending \
        "$(win_line | sed 's/port=[0-9]*/port=1/')" "$(win_path "$BPCONF_TEST_DATABASE_PGPASS")" \
        "does not answer"
    check "line over TLS: a wrong password sends nothing" refused_before_sending \
        "$(win_line)" "$(win_path "$work/wrong-pgpass")" "password authentication failed"
    check "line over TLS: a certificate from another authority sends nothing" \
        refused_before_sending "$(win_line | sed 's/ca\.crt/other-ca.crt/')" \
        "$(win_path "$BPCONF_TEST_DATABASE_PGPASS")" "certificate verify failed"
else
    bad "line over TLS: no private database server (BPCONF_TEST_DATABASE_TCP unset)"
fi

echo "== wine: the installer"
# Built as scripts/package-windows builds it, into the test's own folder; installed, run and
# removed in the test's own prefix.
installer() {
    "$root/scripts/package-windows" "$work/dist" >/dev/null || return 1
    local installed="$WINEPREFIX/drive_c/Program Files/bpconf"
    wine msiexec /i "$(winepath -w "$work/dist/bpconf.msi")" /qn || return 1
    ls "$installed"
    [ -f "$installed/README.md" ] && [ -f "$installed/station.ini" ] || return 1
    [ "$(wine 'C:\Program Files\bpconf\bpconf-cli.exe' --version | tr -d '\r')" = \
        "$(linux_cli --version)" ] || return 1
    # The names in Chinese and English: the list of installed programs and the Start menu.
    # (Exported, the registry is UTF-16 whatever the locale; printed, it is in the ANSI code page.)
    uninstall_entries() {
        rm -f "$work/uninstall.reg"
        wine reg export 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' \
            "$(winepath -w "$work/uninstall.reg")" /y >/dev/null 2>&1 &&
            iconv -f UTF-16 -t UTF-8 "$work/uninstall.reg" | tr -d '\r' >"$work/uninstall.txt" &&
            grep -q Uninstall "$work/uninstall.txt"
    }
    uninstall_entries && grep -qF "\"DisplayName\"=\"$product\"" "$work/uninstall.txt" || return 1
    find "$WINEPREFIX/drive_c" -name "$shortcut.lnk" | grep -q . || return 1
    wine msiexec /x "$(winepath -w "$work/dist/bpconf.msi")" /qn || return 1
    [ ! -e "$installed/bpconf-cli.exe" ] && uninstall_entries &&
        ! grep -qF "$product" "$work/uninstall.txt" &&
        [ -z "$(find "$WINEPREFIX/drive_c" -name "$shortcut.lnk")" ]
}
product="bpconf 蓝牙打印机配置工具 (Bluetooth printer configuration tool)"
shortcut="蓝牙打印机配置工具 Bluetooth printer configuration tool"
check "installer: msiexec /i installs with its Chinese names, the installed bpconf-cli.exe answers, msiexec /x removes it" \
    installer

echo "== wine: the stamp table on both builds"
# Each row of the stamp table (tests/StampTable.h): the counter before, the operator's number,
# whether that number is on a unit already (and confirmed): frames and run give the same
# serial-number message and exit status on both builds. (The window of each build is checked
# against the table by its own tests.)
local_app_data=$(winepath -u "$(wine cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')")
stamp_row() {
    local build=$1 stored=$2 typed=$3 reuse=$4 home=$work/stamp-$1 options=(--set serial.month=202612)
    rm -rf "$home"
    mkdir -p "$home/kelvor"
    set_counter() {
        if [ "$build" = linux ]; then
            printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\kelvor\\PrinterTest]\r\n"Num"="%s"\r\n' "$1" >"$home/kelvor/PrinterTest.reg"
        else
            wine reg add 'HKCU\SOFTWARE\kelvor\PrinterTest' /v Num /t REG_SZ /d "$1" /f >/dev/null 2>&1
        fi
    }
    cli() {
        if [ "$build" = linux ]; then
            XDG_CONFIG_HOME="$home" XDG_DATA_HOME="$home" "$linux/src/app/bpconf-cli" "$@"
        else
            wine_cli "$@"
        fi
    }
    if [ "$build" = wine ]; then
        wine reg delete 'HKCU\SOFTWARE\kelvor\PrinterTest' /f >/dev/null 2>&1
        rm -rf "$local_app_data/bpconf"
    fi
    if [ "$reuse" = yes ]; then
        set_counter 0003
        cli run --no-pacing --capture "$home/before" "${options[@]}" >/dev/null 2>&1
    fi
    set_counter "$stored"
    [ "$typed" != - ] && options+=(--set "serial.counter=$typed")
    [ "$reuse" = yes ] && options+=(--reuse-serial)
    local out status
    out=$(cli frames "${options[@]}" 2>/dev/null)
    status=$?
    echo "frames: $(tr -d '\r' <<<"$out" | grep '^1B 23 23 53 54 53 4E'), exit $status"
    cli run --no-pacing --capture "$home/jobs" "${options[@]}" >/dev/null 2>&1
    echo "run: exit $?"
    for f in "$home"/jobs/job-*.bin; do
        [ -f "$f" ] && "$linux/src/app/bpconf-cli" decode "$f"
    done | grep '^STSN'
}
stamp_rows=("0001 5 no" "0001 0005 no" "0001 9999 no" "10000 - no" "0001 '' no"
            "2147483647 - no" "0006 0003 yes")
for row in "${stamp_rows[@]}"; do
    eval "set -- $row"
    l=$(stamp_row linux "$1" "$2" "$3")
    w=$(stamp_row wine "$1" "$2" "$3")
    if [ "$l" = "$w" ] && [ -n "$l" ]; then
        ok "stamp table: counter $1, typed '$2', reuse $3"
    else
        bad "stamp table: counter $1, typed '$2', reuse $3"
        diff <(echo "$l") <(echo "$w") | head -5
    fi
done

echo "== wine: frames on both builds"
printf 'x%.0s' $(seq 1 4095) >"$work/big.bin"
printf '\x01\x02\x03' >"$work/small.bin"
cat >"$work/station.ini" <<'INI'
[settings]
density = 12
self_test.send = yes
serial.send = no
INI
# Paths inside the wine prefix's drive Z: are the same files.
cases=(
    ""
    "--set codepage.send=yes --set codepage=41"
    "--set density=39"
    "--set aging_time=-1"
    "--set aging_time=4294967296"
    "--set aging_time=\$12C"
    "--set line_feed=0D --set line_feed.send=no"
    "--set encryption=off --set black_mark_stop=off --set forced_connection=off"
    "--set standby_time.send=yes --set standby_time=0x708"
    "--set font=proportional"
    "--set sensor=x"
    "--set sensor=70000"
    "--set baud_rate.send=yes --set baud_rate=230400"
    "--set printer_name.send=yes --set printer_name=abc"
    "--set aging_time=abc"
    "--port LPT2 --set self_test.send=yes"
    "--profile $work/station.ini --package $work/small.bin"
    "--set self_test.send=yes --package $work/big.bin"
    "--set density=40"
)
for args in "${cases[@]}"; do
    # shellcheck disable=SC2086
    l=$(linux_cli frames --set serial.month=202612 --set serial.counter=0007 $args 2>&1; echo "exit $?")
    # shellcheck disable=SC2086
    w=$(wine_cli frames --set serial.month=202612 --set serial.counter=0007 $args 2>&1; echo "exit $?")
    if [ "$l" = "$w" ]; then ok "frames $args"; else bad "frames $args"; diff <(echo "$l") <(echo "$w") | head -5; fi
done
# A printer name in each locale's script: the part its ANSI code page holds gives the same
# frames on both builds with no '?' in the name frame ("BTRN"); the whole name, whose last word
# the code page lacks (an emoji counts too), is refused the same way by both before any frame.
# wine takes its locale from the C library, which knows no locale named plain "zh" and would
# fall back to English (US); a "zh" compiled from zh_CN lets wine start as a Chinese (PRC)
# system, which is what the Linux build takes "zh" for.
mkdir -p "$work/locales"
localedef -i zh_CN -f UTF-8 "$work/locales/zh" >/dev/null 2>&1
names=(
    "ru_RU.UTF-8|Принтер Ω😀"
    "pl_PL.UTF-8|Drukarka Łódź ñ"
    "el_GR.UTF-8|Εκτυπωτής Ж"
    "tr_TR.UTF-8|Yazıcı ğŞ ā"
    "he_IL.UTF-8|מדפסת ش"
    "ar_SA.UTF-8|طابعة پ ש"
    "th_TH.UTF-8|เครื่องพิมพ์ é"
    "vi_VN.UTF-8|Máy in đẹp"
    "lt_LT.UTF-8|ąčęėįšųūž ñ"
    "ja_JP.UTF-8|日本語プリンタ 한"
    "ko_KR.UTF-8|한국 프린터 ก"
    "zh_TW.UTF-8|中文印表機 们"
    "zh_CN.UTF-8|中文打印机 한😀"
    "zh|中文打印机 한"
    "en_US.UTF-8|Café Müller Ł"
)
# Both builds' output and exit status for one name under one locale.
name_frames() {
    local build=$1 lang=$2 name=$3
    if [ "$build" = linux ]; then
        # Through env: bash itself would try the locale for the assignment, and warn about "zh".
        env LC_ALL="$lang" XDG_CONFIG_HOME="$work/linux-home" XDG_DATA_HOME="$work/linux-home" \
            "$linux/src/app/bpconf-cli" frames --set printer_name.send=yes --set "printer_name=$name" \
            --set serial.month=202612 --set serial.counter=0007 2>&1
    else
        local wine_env=(LANG="$lang" LC_ALL= LC_CTYPE= LC_MESSAGES=)
        [ "$lang" = zh ] && wine_env+=(LOCPATH="$work/locales")
        env "${wine_env[@]}" wine "$win/src/app/bpconf-cli.exe" frames \
            --set printer_name.send=yes --set "printer_name=$name" \
            --set serial.month=202612 --set serial.counter=0007 2>&1
    fi
    echo "exit $?"
}
for entry in "${names[@]}"; do
    IFS='|' read -r lang name <<<"$entry"
    head=${name% *}
    l=$(name_frames linux "$lang" "$head")
    w=$(name_frames wine "$lang" "$head")
    frame=$(grep "^1B 23 23 42 54 52 4E " <<<"$l")
    if [ "$l" = "$w" ] && [ -n "$frame" ] && ! grep -q " 3F" <<<"${frame#1B 23 23 42 54 52 4E ?? }"; then
        ok "frames with the name \"$head\" under $lang"
    else
        bad "frames with the name \"$head\" under $lang"
        echo "  name frame: $frame"
        diff <(echo "$l") <(echo "$w") | head -5
    fi
    l=$(name_frames linux "$lang" "$name")
    w=$(name_frames wine "$lang" "$name")
    if [ "$l" = "$w" ] && [ "${l##*$'\n'}" = "exit 2" ] && ! grep -q "^1B 23 23" <<<"$l"; then
        ok "the name \"$name\" is refused under $lang"
    else
        bad "the name \"$name\" is refused under $lang"
        diff <(echo "$l") <(echo "$w") | head -5
    fi
done
grep -q "42 54 52 4E 04 D6 D0 CE C4" <<<"$(LANG=zh_CN.UTF-8 LC_ALL= wine_cli frames \
    --set printer_name.send=yes --set printer_name=中文)" && ok "中文 is GBK under zh_CN" ||
    bad "中文 is GBK under zh_CN"

echo "wine: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
