# Download to the PC: the main job end to end.

# Five files, two of them with names that a scrambled delivery stores as .kvr.
five_files() {
    key_file "C_20261203_0_MUSTERMANN.DDD" 28417
    key_file "V_WDB9634031L123456_0_20261203.DDD" 196608
    key_file "C_20261204_1507_SCHMIDT.DDD" 25112
    key_file "V_WMA06XZZ7FM654321_20261204.DDD" 131277
    key_file "M_20261204_0830_B-MR-1234.DDD" 4096
    cp -r "$S/key" "$S/original"
}

# Every original file byte-exact in out/, under its own name or, with the
# scrambled delivery ("all_arrived kvr"), its .kvr name.
all_arrived() {
    local f base found
    for f in "$S"/original/*.DDD; do
        base=$(basename "$f")
        if [ "${1:-}" = kvr ] && [[ "$base" == *_0_* ]]; then
            found=$(ls "$S/out/${base%%_0_*}"_????-??-??_??-??-??.kvr 2>/dev/null | head -1)
        else
            found="$S/out/$base"
        fi
        [ -n "$found" ] && same_bytes "$f" "$found" || { echo "    $base did not arrive"; return 1; }
    done
}

# Driver lines: start the download of five_files and wait until the second
# file is on its way.
until_second_file() {
    printf '%s\n' 'window 10000 MERO - OVA' 'waittext 1021 5000 Download 0 - 5' 'click 1010' \
        'waittext 1021 10000 Download 2 - 5'
}

key_holds_only_parameter_file() {
    [ "$(ls "$S/key")" = "MERO.ini" ] || fail "key still holds: $(ls "$S/key" | tr '\n' ' ')"
}

key_holds_every_file() {
    local f
    for f in "$S"/original/*; do same_bytes "$f" "$S/key/$(basename "$f")" || fail "key lost $(basename "$f")"; done
}

# A calling program's run: compact dialog, the button pressed once, the tool
# ends by itself; the exit status tells the caller how it went.
unattended_run() {  # unattended_run <expected exit status> [key description lines...]; extra tool parameters in EXTRA
    with_key_library "identity = VANTIK-ID:WB40213377 FW-2131" "${@:2}"
    five_files
    start_tool "$(winpath "$S/out")" "Lkw 12" mini /Min:30 ${EXTRA:+"$EXTRA"}
    drive <<'EOF2'
window 10000 Lkw 12 - MERO - OVA
waittext 1021 5000 Download 0 - 5
click 1010
EOF2
    tool_exit 30
    [ "$TOOL_STATUS" -eq "$1" ] || fail "exit status $TOOL_STATUS, not $1"
}

# The compact dialog titled "t" with the switches given, the button pressed
# once; waits for the tool's end (TOOL_STATUS).
compact_press() {  # compact_press [switches...]
    start_tool "$(winpath "$S/out")" t mini "$@"
    drive <<'EOF2'
window 10000 t - MERO - OVA
waittext 1021 5000 Download 0 - 5
click 1010
EOF2
    tool_exit 30
}

scenario_unattended_compact_download() {
    new_scenario unattended
    unattended_run 0
    all_arrived kvr
    [ "$(ls "$S/out" | grep -c '\.kvr$')" -eq 2 ] || fail "expected two .kvr files: $(ls "$S/out")"
    key_holds_only_parameter_file
}

# With a backup folder (a blank in its name): both folders hold the same files
# under the same names before the key is emptied.
# Its run log tells where each file went, in both folders.
scenario_unattended_compact_download_with_a_backup() {
    new_scenario unattended_backup
    with_key_library "identity = VANTIK-ID:WB40213377 FW-2131"
    five_files
    compact_press "/Backup:$(winpath "$S/Sicherung 2")" "/Log:$(winpath "$S/logs")\\run.log"
    [ "$TOOL_STATUS" -eq 0 ] || fail "exit status $TOOL_STATUS"
    all_arrived kvr
    diff -r "$S/out" "$S/Sicherung 2" >/dev/null || fail "the backup differs: $(ls "$S/Sicherung 2")"
    key_holds_only_parameter_file
    local kvr
    kvr=$(basename "$(ls "$S/out"/V_WDB9634031L123456_*.kvr)")
    block_says "$(last_block "$S/logs/run.log")" \
        "Ausgabe: $(winpath "$S/out")\\  Sicherung: $(winpath "$S/Sicherung 2")\\" \
        "Datei V_WDB9634031L123456_0_20261203.DDD (196608 Byte): gespeichert als $(winpath "$S/out")\\$kvr, Sicherung $(winpath "$S/Sicherung 2")\\$kvr" \
        "Key geleert" "Ende: Rückgabewert 0"
}

# One file that cannot be read: the calling program learns it (3), and the
# run log at its default place (no /Log:) says why.
scenario_unattended_compact_download_with_a_failed_file() {
    new_scenario unattended_failed
    set_data_path --delete
    rm -rf "$WINEPREFIX/drive_c/MERO/Daten/Protokoll"
    unattended_run 3 "read_fails = C_20261204_1507_SCHMIDT.DDD"
    [ "$(ls "$S/out" | wc -l)" -eq 4 ] || fail "out holds: $(ls "$S/out")"
    key_holds_every_file
    block_says "$(last_block "$WINEPREFIX/drive_c/MERO/Daten/Protokoll/KeyDownload_$(date +%Y-%m).log")" \
        "Parameter: $(winpath "$S/out") \"Lkw 12\" mini /Min:30" "Ausgabe: $(winpath "$S/out")\\" \
        "Key: VANTIK-ID:WB40213377 FW-2131" \
        "Datei C_20261204_1507_SCHMIDT.DDD (25112 Byte): nicht angekommen" \
        "Datei C_20261204_1507_SCHMIDT.DDD nicht vollständig übertragen" \
        "Datei M_20261204_0830_B-MR-1234.DDD (4096 Byte): gespeichert als $(winpath "$S/out")\\M_20261204_0830_B-MR-1234.DDD" \
        "Key nicht geleert: nicht jede Datei kam an" "Ende: Rückgabewert 3"
}

scenario_busy_look_during_a_slow_download() {
    new_scenario busy
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130" "read_speed = 150000"
    five_files
    start_tool "$(winpath "$S/out")"
    # Not a pipe: drive must set DRIVER_OUT in this shell.
    drive < <(until_second_file; printf '%s\n' 'enabled 1010 0' 'enabled 1020 0' 'ctlrect 1010')
    start_button_face busy
    [ "$FACE" = FFFFFF ] || fail "busy face pixel is $FACE"
    drive <<'EOF2'
window 1000 MERO - OVA
waittext 1021 20000 Download ENDE
sleep 300
enabled 1010 1
enabled 1020 1
rows 1015 0
progress 1014 0
ctlrect 1010
EOF2
    start_button_face idle
    [ "$FACE" = C0C0C0 ] || fail "idle face pixel is $FACE"
    all_arrived
    key_holds_only_parameter_file
    drive <<'EOF2'
window 1000 MERO - OVA
click 2
EOF2
    tool_exit 2
}

scenario_nodelete_keeps_the_key_full_after_preparation() {
    new_scenario nodelete
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130"
    five_files
    start_tool "$(winpath "$S/out")" t x x nodelete
    drive <<'EOF2'
window 10000 MERO - OVA
waittext 1021 5000 Download 0 - 5
click 1020
sleep 1500
waittext 1021 5000 Download 0 - 5
click 1010
waittext 1021 20000 Download ENDE
click 2
EOF2
    tool_exit 2
    all_arrived
    key_holds_every_file
}

scenario_empty_ova_transport_key_offers_its_modes() {
    new_scenario ovatransport
    with_key_library "identity = VANTIK-ID:WB40213377 FW-2131"
    start_tool "$(winpath "$S/out")" "RVT Lkw"
    drive <<'EOF2'
window 10000 MERO - OVA
waitcontains 1022 5000 OVA Transport
title OVA Lkw - MERO - OVA [ @VERSION@ ]
text 1000 Fahrzeugeinheit (nur 92 Tage) + Fahrerkarte (Standrad)
text 1001 nur Fahrerkarte
text 1002 Fahrzeugeinheit (Unfall 2 Tage) + Fahrerkarte
text 1003 Fahrzeugeinheit (nur 7 Tage) 
text 1004 Fahrzeugeinheit (aktueller +  1 Tag)
visible 1000 1
visible 1004 1
enabled 1000 1
checked 1000 1
enabled 1005 0
checked 1005 0
text 1021 Download 0 - 0
click 2
EOF2
    tool_exit 2
}
