#!/usr/bin/env bash
# Benchmarks of the real tool under Wine, each against a baseline measured in
# the same run: a download through the emulated key vs "copy" of the same
# files, the dialog's message round trip while a worker copies 64 MiB vs idle,
# start-up vs the smallest dialog program, the status log's cost per line, and
# keys full of files (press to the window's end vs a plain and a flushed copy), and a
# download with a backup folder vs one without.
# Usage: wine_bench.sh <windows build folder> [--transfers]
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

# A key full of files, compact mode, from the press to the end of the
#   process, against "copy /b" and against a copy that flushes each file; and
#   the tool's own time between two reads of the key library.
empty_cmd_ms() {
    local t0; t0=$(date +%s%N)
    (cd "$S" && wine cmd /c exit) >/dev/null 2>&1 </dev/null
    echo $(( ($(date +%s%N) - t0) / 1000000 ))
}
# A compact download of the scenario's 128 files, from the press to the end of
# the process: "elapsed download" in DRIVER_OUT.
press_to_end() {  # press_to_end [switch]
    start_tool "$(winpath "$S/out")" t mini ${1:+"$1"}
    drive <<'EOF2'
window 10000 MERO - OVA
waittext 1021 10000 Download 0 - 128
sleep 300
stopwatch
click 1010
waitgone 300000
elapsed download
EOF2
    tool_exit 10
}
# The key's files (their copy in copy1, as the key is emptied) copied again,
# each flushed; with "durable" also renamed and flushed again under its name.
flushed_copy() {  # flushed_copy [durable]
    (cd "$S" && rm -rf flushed && wine "$WIN_BUILD/flush_copy.exe" copy1 flushed ${1:-} 2>/dev/null) |
        tr -d '\r' | awk '{print int($4)}'
}
probe() {  # probe <label> <bytes per file> <identity>; prints one row
    local i t0 copy_ms flushed_ms flushed_after durable_ms durable_after download_ms gap cmd_ms reads_ms between_ms span_ms library_ms
    new_scenario "probe_$1"
    with_key_library "identity = $3" "trace = ..\\.h\\trace.txt"
    for i in $(seq 100 227); do head -c "$2" /dev/urandom >"$S/key/C_20261201_${i}_0_F.DDD"; done
    (cd "$S" && wine cmd /c "copy /b key\\C_*.DDD nul >nul") >/dev/null 2>&1 </dev/null  # into the cache
    # Five copies in one shell, less the shell's own start: one copy's time.
    cmd_ms=$(empty_cmd_ms)
    mkdir -p "$S"/copy{1,2,3,4,5}
    t0=$(date +%s%N)
    (cd "$S" && wine cmd /c "for %d in (1 2 3 4 5) do copy /b key\\C_*.DDD copy%d\\ >nul") >/dev/null 2>&1 </dev/null
    copy_ms=$(( (($(date +%s%N) - t0) / 1000000 - cmd_ms) / 5 ))
    # The disk's flushes change speed from minute to minute: the copy before
    # and after the download, averaged.
    flushed_ms=$(flushed_copy)
    durable_ms=$(flushed_copy durable)
    press_to_end
    download_ms=$(value "elapsed download" 3 | cut -d. -f1)
    flushed_after=$(flushed_copy)
    durable_after=$(flushed_copy durable)
    flushed_ms=$(( (flushed_ms + flushed_after) / 2 ))
    durable_ms=$(( (durable_ms + durable_after) / 2 ))
    # The library's reads in order: the median gap between two, and where the time went.
    grep '^read' "$H/trace.txt" | sort -k2 -n >"$H/reads.txt"
    gap=$(awk 'NR > 1 {print ($2 - end) / 1000} {end = $3}' "$H/reads.txt" | sort -g |
        awk '{v[NR] = $1} END {printf "%.2f", v[int((NR + 1) / 2)]}')
    read -r reads_ms between_ms span_ms < <(awk 'NR == 1 {first = $2} {reads += $3 - $2; end = $3}
        END {printf "%d %d %d\n", reads / 1000, (end - first - reads) / 1000, (end - first) / 1000}' "$H/reads.txt")
    # All the library's own time from the download's listing on: reads, the
    # key's emptying and the listing itself.
    library_ms=$(sort -k2 -n "$H/trace.txt" | awk '{op[NR] = $1; took[NR] = $3 - $2}
        END {for (i = 1; i <= NR && op[i] != "read"; i++) if (op[i] == "directory") from = i;
             for (i = from; i <= NR; i++) sum += took[i]; printf "%d\n", sum / 1000}')
    printf '%-52s %8s ms %8s ms %7s\n' "$1 vs copy /b" "$download_ms" "$copy_ms" "$(ratio "$download_ms" "$copy_ms")"
    printf '%-52s %8s ms %8s ms %7s\n' "$1 vs flushed copy" "$download_ms" "$flushed_ms" "$(ratio "$download_ms" "$flushed_ms")"
    printf '%-52s %8s ms %8s ms %7s\n' "$1 vs durable copy" "$download_ms" "$durable_ms" "$(ratio "$download_ms" "$durable_ms")"
    printf '%-52s %8s ms   (library reads %s ms, between them %s ms, before and after %s ms)\n' \
        "$1: worker's gap between reads, median" "$gap" "$reads_ms" "$between_ms" "$((download_ms - span_ms))"
    # What the tool adds to the library's own time, against the durable copy.
    printf '%-52s %8s ms %8s ms %7s\n' "$1: tool's own time vs flushed copy" "$((download_ms - library_ms))" \
        "$flushed_ms" "$(ratio "$((download_ms - library_ms))" "$flushed_ms")"
    printf '%-52s %8s ms %8s ms %7s\n' "$1: tool's own time vs durable copy" "$((download_ms - library_ms))" \
        "$durable_ms" "$(ratio "$((download_ms - library_ms))" "$durable_ms")"
}
# Only the transfer probes, three runs each of plain and scrambled, large and
# small files, and where
# a scrambled file's extra time goes.
if [ "${2:-}" = --transfers ]; then
    printf '\n%-52s %10s %10s %7s\n' "under Wine" measured baseline ratio
    for run in 1 2 3; do
        for size in 524288 32768; do
            probe "run $run: 128 x $((size / 1024)) KiB, plain" $size "VANTIK-ID:WK12345678 FW-2130" | grep -v "gap\|copy /b"
            probe "run $run: 128 x $((size / 1024)) KiB, scrambled" $size "VANTIK-ID:WB40213377 FW-2131" | grep -v "gap\|copy /b"
        done
    done
    (cd "$WORK" && wine "$WIN_BUILD/scrambled_steps.exe" steps 2>/dev/null | tr -d '\r')
    exit 0
fi

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

# 3. A key full of files (the probe above).
probes=$(
    probe "128 x 512 KiB, plain" 524288 "VANTIK-ID:WK12345678 FW-2130"
    probe "128 x 512 KiB, scrambled" 524288 "VANTIK-ID:WB40213377 FW-2131"
    probe "128 x 32 KiB, plain" 32768 "VANTIK-ID:WK12345678 FW-2130"
    probe "128 x 32 KiB, scrambled" 32768 "VANTIK-ID:WB40213377 FW-2131"
)

# 4. The same scrambled key with a backup folder against without one.
backup_ms=()
for backup in "" "/Backup:$(winpath "$WORK")\backup_1\Sicherung"; do
    new_scenario "backup_${#backup_ms[@]}"
    with_key_library "identity = VANTIK-ID:WB40213377 FW-2131"
    for i in $(seq 100 227); do head -c 524288 /dev/urandom >"$S/key/C_20261201_${i}_0_F.DDD"; done
    press_to_end "$backup"
    backup_ms+=("$(value "elapsed download" 3 | cut -d. -f1)")
done

# 5. A status line at 100 and at 10,000 lines in the real edit control.
statuslog=$(cd "$WIN_BUILD" && timeout 300 wine statuslog_bench.exe 2>/dev/null | tr -d '\r')

printf '\n%-52s %10s %10s %7s\n' "under Wine" measured baseline ratio
printf '%-52s %8s ms %8s ms %7s\n' "download 64 MiB (16 files) vs copy /b" "$download_ms" "$copy_ms" "$(ratio "$download_ms" "$copy_ms")"
printf '%-52s %8s ms %8s ms %7s\n' "message round trip, median, busy vs idle" "${busy[3]}" "${idle[3]}" "$(ratio "${busy[3]}" "${idle[3]}")"
printf '%-52s %8s ms %8s ms %7s\n' "message round trip, p99, busy vs idle" "${busy[5]}" "${idle[5]}" "$(ratio "${busy[5]}" "${idle[5]}")"
printf '%-52s %8s ms %8s ms %7s\n' "start to dialog on screen vs minimal dialog program" "$window_ms" "$minimal_ms" "$(ratio "$window_ms" "$minimal_ms")"
printf '%-52s %8s ms %8s ms %7s\n' "start to prepared key vs minimal dialog program" "$startup_ms" "$minimal_ms" "$(ratio "$startup_ms" "$minimal_ms")"
echo "$statuslog"
echo "$probes"
printf '%-52s %8s ms %8s ms %7s\n' "128 x 512 KiB, scrambled, with vs without backup" "${backup_ms[1]}" "${backup_ms[0]}" \
    "$(ratio "${backup_ms[1]}" "${backup_ms[0]}")"
