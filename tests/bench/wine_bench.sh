#!/usr/bin/env bash
# Benchmarks of the real tool under Wine, each against a baseline measured in
# the same run: a download through the emulated key vs "copy" of the same
# files, the dialog's message round trip while a worker copies 64 MiB vs idle,
# start-up vs the smallest dialog program, and the status log's cost per line.
# Usage: wine_bench.sh <windows build folder>
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
export WIN_BUILD=$(readlink -f "${1:?windows build folder}")
export WORK=$WIN_BUILD/bench
export VERSION=bench
mkdir -p "$WORK"
. "$HERE/../e2e/lib.sh"
start_display
prepare_prefix
trap stop_all EXIT

value() { grep "^$1" <<<"$DRIVER_OUT" | awk "{print \$$2}"; }
ratio() { echo "scale=2; $1 / $2" | bc; }

# 1. Download of 16 files of 4 MiB (64 MiB) against copying them.
new_scenario download
with_key_library "identity = VANTIK-ID:WK12345678 FW-2130"
for i in $(seq 10 25); do head -c 4194304 /dev/urandom >"$S/key/C_202612${i}_0800_FAHRER.DDD"; done
copy_files() { (cd "$S" && mkdir -p "$1" && wine cmd /c "copy /b key\\C_*.DDD $1\\ >nul") >/dev/null 2>&1 </dev/null; }
copy_files warm  # both runs then read the key's files from the cache
t0=$(date +%s%N)
copy_files copy
copy_ms=$(( ($(date +%s%N) - t0) / 1000000 ))
start_tool "$(winpath "$S/out")"
drive <<'EOF2'
window 10000 MERO - OVA
waittext 1021 5000 Download 0 - 16
sleep 1300
latency 100 2 idle
stopwatch
click 1010
latency 100 2 busy
waittext 1021 120000 Download ENDE
elapsed download
click 2
EOF2
tool_exit 5
download_ms=$(value "elapsed download" 3)
idle=($(grep '^latency idle' <<<"$DRIVER_OUT"))
busy=($(grep '^latency busy' <<<"$DRIVER_OUT"))

# 2. Start-up: to the dialog on the screen, against the smallest dialog program,
#    and on to the prepared key (which includes the key's reset pause of 1 s).
new_scenario startup
with_key_library "identity = VANTIK-ID:WK12345678 FW-2130"
head -c 1000 /dev/urandom >"$S/key/A.DDD"
t0=$(date +%s%N)
(cd "$WIN_BUILD" && exec timeout 60 wine minimal_dialog.exe) >/dev/null 2>&1 &
minimal_pid=$!
drive <<'EOF2'
window 10000 Minimal
close
EOF2
minimal_ms=$(( ($(date +%s%N) - t0) / 1000000 ))
wait "$minimal_pid"
t0=$(date +%s%N)
start_tool "$(winpath "$S/out")"
drive <<'EOF2'
window 10000 MERO - OVA
EOF2
window_ms=$(( ($(date +%s%N) - t0) / 1000000 ))
drive <<'EOF2'
window 10000 MERO - OVA
waittext 1021 10000 Download 0 - 1
EOF2
startup_ms=$(( ($(date +%s%N) - t0) / 1000000 ))
drive <<'EOF2'
window 1000 MERO - OVA
click 2
EOF2
tool_exit 5

# 3. A status line at 100 and at 10,000 lines in the real edit control.
statuslog=$(cd "$WIN_BUILD" && timeout 300 wine statuslog_bench.exe 2>/dev/null | tr -d '\r')

printf '\n%-52s %10s %10s %7s\n' "under Wine" measured baseline ratio
printf '%-52s %8s ms %8s ms %7s\n' "download 64 MiB (16 files) vs copy /b" "$download_ms" "$copy_ms" "$(ratio "$download_ms" "$copy_ms")"
printf '%-52s %8s ms %8s ms %7s\n' "message round trip, median, busy vs idle" "${busy[3]}" "${idle[3]}" "$(ratio "${busy[3]}" "${idle[3]}")"
printf '%-52s %8s ms %8s ms %7s\n' "message round trip, p99, busy vs idle" "${busy[5]}" "${idle[5]}" "$(ratio "${busy[5]}" "${idle[5]}")"
printf '%-52s %8s ms %8s ms %7s\n' "start to dialog on screen vs minimal dialog program" "$window_ms" "$minimal_ms" "$(ratio "$window_ms" "$minimal_ms")"
printf '%-52s %8s ms %8s ms %7s\n' "start to prepared key vs minimal dialog program" "$startup_ms" "$minimal_ms" "$(ratio "$startup_ms" "$minimal_ms")"
echo "$statuslog"
