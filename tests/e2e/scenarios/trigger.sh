# Fetching from the tachograph, and the maintenance buttons.

scenario_trigger_fetches_and_downloads() {
    new_scenario trigger
    mkdir -p "$S/fetched"
    head -c 70000 /dev/urandom >"$S/fetched/V_WDB9634031L123456_20261207.DDD"
    head -c 30000 /dev/urandom >"$S/fetched/C_20261207_1200_MUSTERMANN.DDD"
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2230" "send = 0" "poll = 1, 1, 2" \
        "fetch = ..\\fetched"
    start_tool "$(winpath "$S/out")"
    drive <<'EOF2'
window 10000 MERO - OVA
waitcontains 1022 5000 OVA Expert
enabled 1004 1
click 1004
click 1010
waitcontains 1008 5000 Send Key: 32
waittext 1021 30000 Download ENDE
contains 1008 ReInit Key
click 2
EOF2
    tool_exit 2
    local f
    for f in "$S"/fetched/*; do same_bytes "$f" "$S/out/$(basename "$f")" || fail "$(basename "$f") did not arrive"; done
    [ "$(ls "$S/key")" = "MERO.ini" ] || fail "key still holds: $(ls "$S/key")"
}

scenario_maintenance_buttons_delete_and_format() {
    new_scenario maintenance
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130"
    key_file "A_1.DDD" 100
    key_file "B_2.DDD" 200
    start_tool "$(winpath "$S/out")"
    drive <<'EOF2'
window 10000 MERO - OVA
waittext 1021 5000 Download 0 - 2
show 1012
show 1013
show 1009
select 1015 1
click 1012
waitcontains 1008 5000 Es wurde(n) 1 File(s) gelöscht
click 1009
waitcontains 1008 5000 Key Found
click 1013
waitcontains 1008 5000 Key formated
contains 1008 Es wurden 0 File(s) gefunden!
click 2
EOF2
    tool_exit 2
    [ "$(ls "$S/key")" = "MERO.ini" ] || fail "key holds: $(ls "$S/key")"
    same_bytes "$S/program/MERO.ini" "$S/key/MERO.ini" || fail "the parameter file was not written back"
}
