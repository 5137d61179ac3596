# The tool killed at random moments of a download loses nothing: every key file
# of a run is still on the key or byte-exact in out/, nothing outside changes,
# earlier files in out/ stay or hold a key file's bytes, and a temporary file
# left by a kill is gone after the next start.

KILLS=${E2E_KILLS:-22}

md5_of() { md5sum <"$1" | awk '{print $1}'; }

# name md5 per line, for the files directly in a folder
folder_sums() { (cd "$1" && for f in *; do [ -f "$f" ] && echo "$f $(md5_of "$f")"; done) | sort; }

refill_key() {  # refill_key <round>
    local i
    for i in 1 2 3 4 5 6; do key_file "C_2026120${i}_0_K$1.DDD" $((20000 + RANDOM % 40000)); done
    key_file "M_K$1.DDD" 3000
}

# Checks the round's snapshot against the state after the kill.
check_after_kill() {  # check_after_kill <round>
    local f name sums
    sums=$(output_sums)
    for f in "$H/round"/*; do
        name=$(basename "$f")
        same_bytes "$f" "$S/key/$name" && continue
        grep -qx "$(md5_of "$f")" <<<"$sums" || fail "round $1: $name lost"
    done
    while read -r name sum; do
        [[ "$name" == "~mero"*".part" ]] && continue  # the next start removes it
        if [ -f "$S/out/$name" ]; then
            [ "$(md5_of "$S/out/$name")" = "$sum" ] && continue
            grep -qx "$(md5_of "$S/out/$name")" <(for f in "$H/round"/*; do md5_of "$f"; done) && continue
            fail "round $1: the earlier $name was overwritten with bytes of no key file"
        else
            [ -f "$H/round/$name" ] || fail "round $1: the earlier $name vanished"
        fi
    done <"$H/out-before"
    outside_files | cmp -s - "$H/outside-before" || fail "round $1: files changed outside out/"
}

scenario_killed_downloads_lose_nothing() {
    new_scenario killed
    local round delay leftovers=0 identity starts=0
    for round in $(seq 1 "$KILLS"); do
        # Both deliveries, slow enough that the kill meets every phase.
        identity="VANTIK-ID:WK12345678 FW-2130"
        [ $((round % 2)) = 0 ] && identity="VANTIK-ID:WB40213377 FW-2131"
        with_key_library "identity = $identity" "read_speed = 150000"
        [ "$(ls "$S/key" | wc -l)" -le 1 ] && refill_key "$round"
        rm -rf "$H/round"; mkdir "$H/round"
        cp "$S"/key/*.DDD "$H/round/"
        folder_sums "$S/out" >"$H/out-before"
        outside_files >"$H/outside-before"
        delay=$((RANDOM % 2600))
        start_tool "$(winpath "$S/out")" "/Log:$(winpath "$H")\\run.log"
        drive <<EOF2
window 10000 MERO - OVA
waitcontains 1021 5000 Download 0 -
waitcontains 1008 5000 gefunden!
sleep 1300
click 1010
sleep $delay
kill
EOF2
        tool_exit 10
        # The run's start line is written as it begins: a killed run shows
        # (one killed within moments of the press may not have begun).
        [ "$delay" -lt 200 ] || starts=$((starts + 1))
        [ "$(grep -c '  Start: MERORVS.exe' "$H/run.log" 2>/dev/null)" -ge "$starts" ] || fail "round $round: no start line"
        ls "$S/out" | grep -q '^~mero[0-9A-Fa-f-]*\.part$' && leftovers=$((leftovers + 1))
        check_after_kill "$round"
    done
    # One download to the end: the kills' debris is gone, nothing of the key is lost.
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130"
    rm -rf "$H/round"; mkdir "$H/round"; cp "$S"/key/*.DDD "$H/round/" 2>/dev/null || true
    start_tool "$(winpath "$S/out")" t mini
    drive <<'EOF2'
window 10000 MERO - OVA
waitcontains 1021 5000 Download 0 -
sleep 1300
click 1010
EOF2
    tool_exit 30
    ls "$S/out" | grep -q '^~mero' && fail "a temporary file remained: $(ls "$S/out" | grep '^~mero')"
    [ "$(ls "$S/key")" = MERO.ini ] || fail "the last download left: $(ls "$S/key")"
    echo "    $KILLS kills, $leftovers left a temporary file, $(ls "$S/out" | wc -l) files in out/"
}
