# Outcomes a calling program can trust: rows of the fault matrix (faults.sh)
# for what an unattended caller must learn, and for what Windows refuses or
# holds where Wine would let it pass.

# A caller's "/Backup:%SICHERUNG%" with the variable unset still asked for a copy.
scenario_fault_backup_switch_with_nothing_after_it() {
    new_scenario f_backup_empty
    with_key_library "identity = VANTIK-ID:WB40213377 FW-2131"
    five_files
    FAULT_SWITCH="/Backup:"
    fault_setup; fault_download 30 "Sicherungsordner fehlt"
    fault_row backup_switch_with_nothing_after_it 3
    key_holds_every_file
}

# Every file arrived, but the key library would not empty the key: the caller
# learns it (5), or the next run brings every file again under new names.
scenario_fault_emptying_refused_by_the_key() {
    local row
    for row in open delete; do
        new_scenario "f_emptying_$row"
        if [ "$row" = open ]; then
            with_key_library "identity = VANTIK-ID:WB40213377 FW-2131" "opens_before_failure = 1"
        else
            with_key_library "identity = VANTIK-ID:WB40213377 FW-2131" "delete_fails = M_20261204_0830_B-MR-1234.DDD"
        fi
        five_files; fault_setup
        if [ "$row" = open ]; then fault_download 30 "Key konnte nicht geleert werden"
        else fault_download 30 "Key nur teilweise geleert: 4 von 5 Dateien"; fi
        fault_row "emptying_refused_by_the_key_$row" 5
        all_arrived kvr
    done
}

# Windows refuses to replace or remove a read-only file, Wine does not: either
# way such an earlier file of that very name loses the attribute, and it is said.
scenario_fault_read_only_earlier_files() {
    local row earlier
    for row in plain scrambled; do
        new_scenario "f_readonly_earlier_$row"
        if [ "$row" = plain ]; then
            with_key_library "identity = VANTIK-ID:WK12345678 FW-2130"
            earlier=C_20261204_1507_SCHMIDT.DDD
        else
            with_key_library "identity = VANTIK-ID:WB40213377 FW-2131"
            earlier=C_20261203_0_MUSTERMANN.DDD
        fi
        five_files
        echo "earlier download" >"$S/out/$earlier"
        chmod a-w "$S/out/$earlier"
        fault_setup; fault_download 30 "war schreibgesch"
        fault_row "read_only_earlier_file_$row"
        if [ "$row" = plain ]; then all_arrived; else all_arrived kvr; fi
        if [ "$row" = scrambled ] && [ -e "$S/out/$earlier" ]; then fail "the earlier plain copy stayed"; fi
    done
}

# An on-access scanner holds each new file for a moment: waited for; held
# for long, the file stays on the key and the status log names the cause.
scenario_fault_scanner_holds_new_files() {
    local row
    for row in 300 1500; do
        new_scenario "f_scanner_$row"
        with_key_library "identity = VANTIK-ID:WB40213377 FW-2131" "hold_written = $row"
        five_files; fault_setup
        if [ "$row" = 300 ]; then
            fault_download 60
            fault_row "scanner_holds_new_files_${row}ms"
            all_arrived kvr
        else
            fault_download 60 "von einem anderen Programm belegt"
            fault_row "scanner_holds_new_files_${row}ms" 3
            key_holds_every_file
        fi
    done
}

# An importer moves each new file away the moment it has its name: the backup
# is made from what the tool holds, not read back by name.
scenario_fault_importer_takes_files_at_once() {
    new_scenario f_importer
    with_key_library "identity = VANTIK-ID:WB40213377 FW-2131"
    five_files
    mkdir -p "$S/imported"
    ( while :; do
        for f in "$S"/out/*; do [[ "$f" == *.part || ! -f "$f" ]] || mv "$f" "$S/imported/" 2>/dev/null; done
        sleep 0.005
    done ) &
    local importer=$!
    compact_press /Min:30 "/Backup:$(winpath "$S/bak")"
    kill "$importer"; wait "$importer" 2>/dev/null || true
    [ "$TOOL_STATUS" -eq 0 ] || fail "exit status $TOOL_STATUS"
    key_holds_only_parameter_file
    local f base
    for f in "$S"/original/*.DDD; do
        base=$(basename "$f")
        [[ "$base" == *_0_* ]] && base="${base%%_0_*}_????-??-??_??-??-??.kvr"
        # shellcheck disable=SC2086
        same_bytes "$f" $(ls $S/bak/$base | head -1) || fail "$base is not whole in the backup"
        # shellcheck disable=SC2086
        same_bytes "$f" $(ls $S/imported/$base $S/out/$base 2>/dev/null | head -1) || fail "$base did not arrive"
    done
}

# The key delivers more bytes than its directory lists: never stored as the file.
scenario_fault_delivery_longer_than_listed() {
    local identity
    for identity in "VANTIK-ID:WK12345678 FW-2130" "VANTIK-ID:WB40213377 FW-2131"; do
        new_scenario "f_longer_${identity##* }"
        with_key_library "identity = $identity" "read_longer = V_WMA06XZZ7FM654321_20261204.DDD"
        five_files; fault_setup; fault_download 30 "V_WMA06XZZ7FM654321_20261204.DDD nicht vollst"
        fault_row "delivery_longer_than_listed_${identity##* }" 3
        key_holds_every_file
    done
}

# The key pulled between its preparation and the download: no download ran (2).
scenario_fault_key_pulled_after_preparation() {
    new_scenario f_pulled
    # The harness's own folder holds the plug: nothing outside the output folder changes.
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130" "presence = ..\\.h\\plugged-in"
    : >"$H/plugged-in"
    five_files; fault_setup
    start_tool "$(winpath "$S/out")"
    drive <<'EOF2'
window 10000 MERO - OVA
waittext 1021 5000 Download 0 - 5
EOF2
    rm "$H/plugged-in"
    drive <<'EOF2'
window 1000 MERO - OVA
click 1010
waittext 1021 10000 Download ENDE
click 2
EOF2
    tool_exit 5
    fault_row key_pulled_after_preparation 2
}

# An importer (a Windows program, so that share modes count) opens each new
# file as soon as it has its name: none stays locked until the key's last file.
scenario_fault_importer_opens_each_new_file_at_once() {
    new_scenario f_importer_opens
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130" "read_speed = 20000"
    local i
    for i in 1 2 3 4; do key_file "C_2026120${i}_0800_FAHRER.DDD" 40000; done
    fault_setup
    start_tool "$(winpath "$S/out")" t mini /Min:30
    drive <<EOF2
window 10000 t - MERO - OVA
waittext 1021 5000 Download 0 - 4
click 1010
importer 4 30000 $(winpath "$S/out" | sed 's/\\/\\\\/g')
EOF2
    tool_exit 30
    fault_row importer_opens_each_new_file_at_once
    local wait
    wait=$(sed -n 's/^importer opened 4 files, longest wait \([0-9]*\) ms$/\1/p' <<<"$DRIVER_OUT")
    echo "    longest wait for a new file: ${wait:-?} ms"
    [ -n "$wait" ] && [ "$wait" -le 1000 ] || fail "a new file stayed locked for ${wait:-?} ms"
}

# An output folder so deep that a .kvr name passes Windows' 259 characters: the
# run ends by itself, each file whole on the PC or still on the key.
scenario_fault_output_folder_too_deep_for_a_kvr_name() {
    new_scenario f_deep
    with_key_library "identity = VANTIK-ID:WB40213377 FW-2131"
    five_files
    # 226 characters on Windows: the temporary and the plain names fit, the .kvr names do not.
    local deep=out want=$((226 - ${#S} - 3))
    while [ $((want - ${#deep})) -gt 40 ]; do deep="$deep/Unterordner_$((${#deep} % 10))"; done
    deep="$deep/$(printf '%*s' $((want - ${#deep} - 1)) '' | tr ' ' 'x')"
    mkdir -p "$S/$deep"
    FAULT_OUT=$deep
    fault_setup
    start_tool "$(winpath "$S/$deep")" t mini /Min:30
    drive <<'EOF2'
window 10000 t - MERO - OVA
waittext 1021 5000 Download 0 - 5
click 1010
EOF2
    tool_exit 60
    echo "    output folder of $(winpath "$S/$deep" | tr -d '\n' | wc -c) characters, exit $TOOL_STATUS"
    [ "$TOOL_STATUS" -eq 0 ] || [ "$TOOL_STATUS" -eq 3 ] || fail "exit status $TOOL_STATUS"
    fault_row output_folder_too_deep_for_a_kvr_name "$TOOL_STATUS"
}
