# Helpers for the end-to-end scenarios: the real executable under Wine in a
# virtual display, driven by e2edriver.exe. Sourced by run_scenarios.sh.

WIN_BUILD=${WIN_BUILD:?}
WORK=${WORK:?}
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=${WINEPREFIX:-$WORK/prefix}
# Every tool start of the run, one process id a line (scenarios run in subshells).
STARTED_TOOLS="$WORK/started-tools"

winpath() { echo "Z:$(readlink -f "$1" | sed 's|/|\\|g')"; }

start_display() {
    if [ -n "${DISPLAY:-}" ] && [ -z "${E2E_OWN_DISPLAY:-}" ]; then return; fi
    # The background shell truncates the file only after the fork: a number
    # left by an earlier run must not be read as this display's.
    rm -f "$WORK/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" 2>/dev/null &
    XVFB_PID=$!
    # Xvfb writes its display number once it accepts clients; on a busy
    # machine that can take seconds.
    for _ in $(seq 300); do [ -s "$WORK/display" ] && break; sleep 0.1; done
    if [ ! -s "$WORK/display" ]; then
        echo "e2e: the virtual display did not start within 30 s"
        return 1
    fi
    export DISPLAY=":$(cat "$WORK/display")"
}

prepare_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        DISPLAY= timeout 180 wineboot -i >/dev/null 2>&1
        timeout 60 wineserver -w
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
        timeout 60 wineserver -w
    fi
    wineserver -p
    # Start Wine's services now, detached from any pipe of a scenario.
    timeout 60 wine cmd /c exit >/dev/null 2>&1 </dev/null
}

stop_all() {
    wineserver -k 2>/dev/null
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
    return 0
}

set_data_path() {  # set_data_path <windows path> [/reg:32|/reg:64] | set_data_path --delete
    wine reg delete 'HKLM\Software\MERO\Common' /f >/dev/null 2>&1 || true
    wine reg delete 'HKLM\Software\MERO\Common' /f /reg:32 >/dev/null 2>&1 || true
    [ "$1" = --delete ] && return 0
    wine reg add 'HKLM\Software\MERO\Common' /v DataPath /d "$1" /f ${2:-} >/dev/null 2>&1
}

# A fresh scenario folder: program/ (tool, key library, driver library,
# MERO.ini), key/ (the emulated key's files), out/, and .h/ for the harness's
# own files (logs, scripts, screenshots).
new_scenario() {
    S="$WORK/$1"
    H="$S/.h"
    mountpoint -q "$S/out" 2>/dev/null && umount "$S/out"
    rm -rf "$S"
    mkdir -p "$S/program" "$S/key" "$S/out" "$H"
    cp "$WIN_BUILD/MERORVS.exe" "$S/program/"
    printf '[Key]\r\nMode=1\r\n' >"$S/program/MERO.ini"
    printf '[Key]\r\nMode=0\r\n' >"$S/key/MERO.ini"
}

with_key_library() {  # with_key_library [description lines...]
    cp "$WIN_BUILD/VantikDll.dll" "$WIN_BUILD/ftd2xx.dll" "$S/program/"
    { echo "folder = ..\\key"; for line in "$@"; do echo "$line"; done; } >"$S/program/emulated-key.txt"
}

key_file() {  # key_file <name> <size> [seed]
    head -c "$2" /dev/urandom >"$S/key/$1"
}

start_tool() {  # start_tool [parameters...]; sets TOOL_PID
    start_tool_in "$S/program" "$@"
}

# Wine's own errors go to the tool's log: a failed scenario shows them.
# Wine itself sometimes fails to set up a new process's memory ("failed to map
# the shared user data"): the tool never ran, so that start alone is repeated.
start_tool_in() {  # start_tool_in <folder> [parameters...]; sets TOOL_PID
    (
        cd "$1" && shift
        for attempt in 1 2 3; do
            WINEDEBUG=-all,err+all timeout 120 wine MERORVS.exe "$@" >"$H/tool.log" 2>&1
            status=$?
            grep -q 'failed to map the shared user data' "$H/tool.log" || exit "$status"
        done
        exit "$status"
    ) &
    TOOL_PID=$!
    echo "$TOOL_PID" >>"$STARTED_TOOLS"
}

# Ends a process and everything it started, children first.
stop_tree() {  # stop_tree <pid>
    local child
    for child in $(ps -o pid= --ppid "$1" 2>/dev/null); do stop_tree "$child"; done
    kill "$1" 2>/dev/null
}

stop_started_tools() {
    local pid
    [ -f "$STARTED_TOOLS" ] || return 0
    while read -r pid; do stop_tree "$pid"; done <"$STARTED_TOOLS"
    rm -f "$STARTED_TOOLS"
}

drive() {  # drive <<'EOF' ... EOF: runs a driver script, fails the scenario on a mismatch
    sed -e "s|@VERSION@|$VERSION|g" >"$H/script.txt"
    local out status=0
    # Output goes to a file: Wine's helper processes may hold on to a pipe.
    (cd "$WIN_BUILD" && timeout 120 wine e2edriver.exe "$(winpath "$H/script.txt")" >"$H/driver.out" 2>&1) || status=$?
    out=$(tr -d '\r' <"$H/driver.out")
    DRIVER_OUT=$out
    if [ "$status" -ne 0 ] || ! grep -q '^OK$' <<<"$out"; then
        echo "    driver (exit $status): $out"
        tool_state
        return 1
    fi
}

# After a failed check: is the tool still running, and what did it print?
tool_state() {
    if [ -z "${TOOL_PID:-}" ]; then return; fi
    if kill -0 "$TOOL_PID" 2>/dev/null; then
        echo "    the tool is still running"
    else
        local status=0
        wait "$TOOL_PID" || status=$?
        echo "    the tool ended with status $status"
    fi
    [ -s "$H/tool.log" ] && sed 's/^/    tool: /' "$H/tool.log" | tail -20
    return 0
}

# Waits for the tool to end; fails when it does not within the seconds given.
tool_exit() {  # tool_exit <seconds>; sets TOOL_STATUS
    local waited=0
    while kill -0 "$TOOL_PID" 2>/dev/null; do
        if [ "$waited" -ge $(($1 * 10)) ]; then
            echo "    the tool did not end within $1 s"
            stop_tree "$TOOL_PID"
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    TOOL_STATUS=0
    wait "$TOOL_PID" || TOOL_STATUS=$?
}

# The short name that Wine gives a file of this long name (its own scheme, not
# Windows' ~1): made for a scratch file of the harness, then removed.
short_name() {  # short_name <long name> -> the short name
    : >"$H/$1"
    # The driver reads \t, \n, \r and \\ in its script as escapes: the path's backslashes doubled.
    drive <<<"shortname $(winpath "$H/$1" | sed 's/\\/\\\\/g')" >/dev/null
    rm -f "$H/$1"
    sed -n 's/^shortname //p' <<<"$DRIVER_OUT"
}

screenshot() { import -window root "$H/$1.png"; }

# The start button's face colour in a new screenshot, at its left edge where no
# caption stands; needs a driver run that printed "ctlrect 1010" before.
start_button_face() {  # start_button_face <screenshot name>; sets FACE=RRGGBB and BUTTON=(left top right bottom)
    local left top right bottom
    screenshot "$1"
    read -r _ _ left top right bottom <<<"$(grep '^ctlrect' <<<"$DRIVER_OUT")"
    BUTTON=("$left" "$top" "$right" "$bottom")
    FACE=$(pixel "$H/$1.png" $((left + 5)) $(((top + bottom) / 2)))
}

pixel() {  # pixel <png> <x> <y> -> RRGGBB
    /usr/bin/convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | tail -1 | grep -o '#[0-9A-F]\{6\}' | head -1 | tr -d '#'
}

same_bytes() { cmp -s "$1" "$2"; }

fail() { echo "    $*"; return 1; }
