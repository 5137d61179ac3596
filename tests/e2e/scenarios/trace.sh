# What the real program asks of the system before it empties the key, traced
# with strace: Wine turns a flush into one fsync of that file's descriptor in
# the program, and a rename by handle or a deletion into one rename or unlink
# in the wineserver. Before the first of the key's files is unlinked, every
# stored copy must have been flushed under its temporary name, renamed to its
# final name, and flushed again under that name.

# The wineserver of this scenario's prefix.
prefix_wineserver() {
    local pid
    for pid in $(pgrep wineserver); do
        tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$pid" && return
    done
}

# A compact unattended run of five_files under strace, program and wineserver:
# their calls, merged in time order, in $H/calls as "time fsync path",
# "time rename from to" and "time unlink path" (successful calls only).
traced_run() {  # traced_run [tool parameters...]
    local server tracer
    server=$(prefix_wineserver)
    [ -n "$server" ] || fail "no wineserver runs for $WINEPREFIX"
    strace -f -ttt -qq -e trace=rename,renameat,renameat2,unlink,unlinkat -o "$H/server.trace" -p "$server" &
    tracer=$!
    sleep 1  # attached
    (
        cd "$S/program"
        WINEDEBUG=-all timeout 120 strace -f -ttt -qq -y -e trace=fsync,fdatasync -o "$H/tool.trace" \
            wine MERORVS.exe "$(winpath "$S/out")" "Lkw 12" mini /Min:30 "$@" >"$H/tool.log" 2>&1
    ) &
    TOOL_PID=$!
    echo "$TOOL_PID" >>"$STARTED_TOOLS"
    drive <<'EOF2'
window 20000 Lkw 12 - MERO - OVA
waittext 1021 10000 Download 0 - 5
click 1010
EOF2
    tool_exit 60
    kill -INT "$tracer"
    wait "$tracer" || true
    # strace lines: [pid] time call(args) = result; -y shows a descriptor as 12</path>;
    # the wineserver names a drive's files through the prefix's drive links.
    cat "$H/tool.trace" "$H/server.trace" | sed -E 's|"[^"]*/dosdevices/z:|"|g' | sed -nE \
        -e 's/^([0-9]+ +)?([0-9.]+) f(data)?sync\([0-9]+<(.*)>\) += 0$/\2 fsync \4/p' \
        -e 's/^([0-9]+ +)?([0-9.]+) rename(at2?)?\((AT_FDCWD, )?"([^"]*)", (AT_FDCWD, )?"([^"]*)".*\) += 0$/\2 rename \5 \7/p' \
        -e 's/^([0-9]+ +)?([0-9.]+) unlink(at)?\((AT_FDCWD, )?"([^"]*)".*\) += 0$/\2 unlink \5/p' |
        sort -n -k1,1 >"$H/calls"
}

# Every file now in the folders given went through flush, rename, flush
# before the first unlink in the key folder; prints the first that did not
# (and nothing when all did).
durable_before_emptying() {  # durable_before_emptying <folder>...
    local folders
    folders=$(for f in "$@"; do readlink -f "$f"; done | tr '\n' ' ')
    awk -v key="$(readlink -f "$S/key")/" -v folders="$folders" '
        BEGIN { n = split(folders, dirs, " ") }
        function name(p) { sub(/.*\//, "", p); return p }
        function folder(p) { sub(/[^\/]*$/, "", p); return p }
        $2 == "unlink" && index($3, key) == 1 && !emptied { emptied = 1 }
        emptied { next }
        $2 == "unlink" { delete flushed[$3] }
        $2 == "fsync" { flushed[$3] = 1 }
        $2 == "rename" { published[$4] = flushed[$3]; delete flushed[$3]; delete again[$4] }
        $2 == "fsync" && ($3 in published) { again[$3] = published[$3] }
        END {
            if (!emptied) { print "the key was never emptied"; exit }
            for (i = 1; i <= n; i++) {
                cmd = "ls -1 \"" dirs[i] "\""
                while ((cmd | getline f) > 0) {
                    p = dirs[i] "/" f
                    if (!(p in published)) { print p " was never renamed into place"; exit }
                    if (!published[p]) { print p " was renamed before its bytes were flushed"; exit }
                    if (!(p in again)) { print p " was not flushed again under its name"; exit }
                }
                close(cmd)
            }
        }' "$H/calls"
}

scenario_trace_every_copy_durable_before_the_key_is_emptied() {
    local problem row switch identity
    for row in plain scrambled backup; do
        new_scenario "trace_$row"
        identity="VANTIK-ID:WB40213377 FW-2131"
        [ "$row" = plain ] && identity="VANTIK-ID:WK12345678 FW-2130"
        with_key_library "identity = $identity"
        five_files
        # An earlier plain copy of a file that the scrambled delivery stores as .kvr.
        [ "$row" = scrambled ] && echo "earlier download" >"$S/out/C_20261203_0_MUSTERMANN.DDD"
        switch=()
        [ "$row" = backup ] && switch=("/Backup:$(winpath "$S/bak")")
        traced_run "${switch[@]}"
        [ "$TOOL_STATUS" -eq 0 ] || fail "$row: exit status $TOOL_STATUS"
        key_holds_only_parameter_file
        [ ! -e "$S/out/C_20261203_0_MUSTERMANN.DDD" ] || [ "$row" != scrambled ] || fail "the earlier copy stayed"
        if [ "$row" = backup ]; then problem=$(durable_before_emptying "$S/out" "$S/bak")
        else problem=$(durable_before_emptying "$S/out"); fi
        [ -z "$problem" ] || fail "$row: $problem"
    done
}
