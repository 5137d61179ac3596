#!/usr/bin/env bash
# The main job: builds the tool for Windows and runs it under Wine against the
# emulated key holding sample data. Without a display it runs in a virtual one,
# presses "Download starten" for the user and saves a screenshot; with a
# display the user presses the button. At the end the output folder is listed.
# With --x86 the 32-bit program runs, under 32-bit Wine.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/packages.sh"
"$ROOT/scripts/install-deps.sh" $PKG_NATIVE $PKG_WINDOWS $PKG_WINE

preset=mingw-x64 work=demo
if [ "${1:-}" = --x86 ]; then
    preset=mingw-x86 work=demo32
    bash "$ROOT/scripts/install-wine32.sh"
    export PATH="/usr/local/lib/wine32/bin:$PATH"  # wine, wineboot, wineserver: the 32-bit ones
fi
cmake --preset "$preset" >/dev/null
cmake --build "$ROOT/build/$preset" -j2 >/dev/null

export WIN_BUILD="$ROOT/build/$preset" WORK="$ROOT/build/$work"
export VERSION=$(sed -n 's/^project(MERORVS VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")
mkdir -p "$WORK"
. "$ROOT/tests/e2e/lib.sh"

headless=0
if [ -z "${DISPLAY:-}" ]; then headless=1; export E2E_OWN_DISPLAY=1; fi
start_display
prepare_prefix
trap stop_all EXIT

new_scenario run
with_key_library "identity = VANTIK-ID:WB40213377 FW-2131" "read_speed = 400000"
"$ROOT/scripts/sample-key.sh" "$S/key"
echo "Key before the download:"; ls -l "$S/key"

start_tool "$(winpath "$S/out")" "Demo" 
if [ "$headless" = 1 ]; then
    drive <<'EOF2'
window 15000 Demo - MERO - OVA
waittext 1021 10000 Download 0 - 5
sleep 500
click 1010
waittext 1021 60000 Download ENDE
sleep 300
EOF2
    screenshot screenshot
    cp "$H/screenshot.png" "$WORK/screenshot.png"
    drive <<'EOF2'
window 1000 Demo - MERO - OVA
click 2
EOF2
    echo "Screenshot: $WORK/screenshot.png"
else
    echo "Press \"Download starten\" in the tool, then close it."
fi
tool_exit 3600
echo "Output folder $S/out:"; ls -l "$S/out"
echo "Key after the download:"; ls -l "$S/key"
log="$WINEPREFIX/drive_c/MERO/Daten/Protokoll/KeyDownload_$(date +%Y-%m).log"
echo "Run log C:\\MERO\\Daten\\Protokoll\\$(basename "$log"), its last block:"
iconv -f CP1252 -t UTF-8 "$log" | tr -d '\r' | awk '/^=== /{block=""} {block = block $0 "\n"} END {printf "%s", block}'
