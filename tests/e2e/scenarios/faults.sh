# The fault matrix: every data file that was on the key is afterwards byte-exact
# on the PC or still on the key, nothing lands outside the output folder, and
# the tool ends when it should. Each scenario adds one row to the table.

FAULT_TABLE="$WORK/fault-table.txt"
FAULT_OUT=out  # the output folder, relative to the scenario folder
FAULT_SWITCH=  # a switch for the tool's command line, e.g. /Backup:...

# Every file of the scenario outside the output folder, the key and the
# harness's own, with its size and checksum: an overwrite shows, not only a new name.
outside_files() {
    (cd "$S" && find . -type f ! -path "./$FAULT_OUT" ! -path "./$FAULT_OUT/*" ! -path './key/*' ! -path './.h/*' \
        -exec sh -c 'for f; do echo "$f $(stat -c %s "$f") $(md5sum <"$f" | cut -c1-32)"; done' _ {} + | sort)
}

# The checksums of the files in the output folder.
output_sums() { find "$S/$FAULT_OUT" -maxdepth 1 -type f -exec md5sum {} + | awk '{print $1}'; }

# Remembers the key's files and what lies outside out/ and key/ before the run.
fault_setup() {
    mkdir -p "$S/original"
    cp -a "$S/key/." "$S/original/"
    rm -f "$S/original/MERO.ini"
    outside_files >"$H/outside-before"
}

# A download pressed in the normal dialog, waited for, and the dialog closed.
fault_download() {  # fault_download [seconds to wait for the end] [status line to find at the end]
    start_tool "$(winpath "$S/$FAULT_OUT")" ${FAULT_SWITCH:+"$FAULT_SWITCH"}
    drive <<EOF2
window 10000 MERO - OVA
waitcontains 1008 5000 gefunden!
sleep 1400
click 1010
waittext 1021 ${1:-30}000 Download ENDE
waitcontains 1008 1000 ${2:-gefunden!}
click 2
EOF2
    tool_exit 5
}

# Without a usable library no mode is offered: the start button starts nothing.
fault_download_refused() {  # fault_download_refused <status line>
    start_tool "$(winpath "$S/out")"
    drive <<EOF2
window 10000 MERO - OVA
waitcontains 1008 5000 $1
click 1010
sleep 1000
text 1021 Download 0 - 0
click 2
EOF2
    tool_exit 5
}

# Counts, adds the row and fails on a lost file, a file outside, or a wrong exit.
fault_row() {  # fault_row <name> [expected exit status]
    local before=0 on_pc=0 on_key=0 lost=0 outside f found sums
    # Byte-exact on the PC: the same content under any name in out/.
    sums=$(output_sums)
    for f in "$S"/original/*; do
        [ -e "$f" ] || continue
        before=$((before + 1))
        found=0
        grep -qx "$(md5sum <"$f" | awk '{print $1}')" <<<"$sums" && found=1
        [ "$found" = 1 ] && on_pc=$((on_pc + 1))
        if cmp -s "$f" "$S/key/$(basename "$f")"; then on_key=$((on_key + 1)); elif [ "$found" = 0 ]; then
            lost=$((lost + 1))
            echo "    lost: $(basename "$f")"
        fi
    done
    # Created, changed or removed: lines of either listing that the other lacks.
    outside=$(outside_files | diff "$H/outside-before" - | grep '^[<>]' | tee "$H/outside-new" | wc -l)
    [ "$outside" -gt 0 ] && sed 's/^/    outside: /' "$H/outside-new"
    printf '%-34s %6s %6s %6s %5s %7s %5s\n' "$1" "$before" "$on_pc" "$on_key" "$lost" "$outside" \
        "${TOOL_STATUS:-?}" >>"$FAULT_TABLE"
    [ -f "$S/key/MERO.ini" ] || fail "the key lost its parameter file"
    [ "$lost" -eq 0 ] || fail "$lost files lost"
    [ "$outside" -eq 0 ] || fail "$outside files changed outside the output folder"
    [ "${TOOL_STATUS:-1}" -eq "${2:-0}" ] || fail "exit status $TOOL_STATUS"
}

# The key library answering wrongly, one row each: name, key identity, the
# emulated key's fault, the exit status. Five files, pressed in the normal dialog.
FAULT_ROWS=(
    "key_does_not_open|VANTIK-ID:WK12345678 FW-2130|open_fails = 1|3"
    "identify_answers_at_third_attempt|VANTIK-ID:WB40213377 FW-2131|identify_fails = 2|0"
    "truncated_delivery|VANTIK-ID:WB40213377 FW-2131|read_truncated = V_WDB9634031L123456_0_20261203.DDD|3"
    "scrambled_copy_never_delivered|VANTIK-ID:WB40213377 FW-2131|read_silent = C_20261203_0_MUSTERMANN.DDD|3"
    "slot_without_nul|VANTIK-ID:WK12345678 FW-2130|unterminated_slots = 1|0"
    "library_error_after_a_full_file|VANTIK-ID:WK12345678 FW-2130|read_errors = C_20261204_1507_SCHMIDT.DDD|3"
    "library_error_scrambled|VANTIK-ID:WB40213377 FW-2131|read_errors = V_WDB9634031L123456_0_20261203.DDD|3"
    "partial_delivery_with_error|VANTIK-ID:WK12345678 FW-2130|read_partial = M_20261204_0830_B-MR-1234.DDD|3"
)

scenario_fault_key_answers_wrongly() {
    local row name identity fault status
    for row in "${FAULT_ROWS[@]}"; do
        IFS='|' read -r name identity fault status <<<"$row"
        new_scenario "f_$name"
        with_key_library "identity = $identity" "$fault"
        five_files; fault_setup; fault_download
        fault_row "$name" "$status" || fail "row $name"
        if [ "$status" = 0 ]; then key_holds_only_parameter_file; else key_holds_every_file; fi
        only_key_bytes_in_out || fail "row $name"
    done
}

# Every file in out/ holds the bytes of a file that was on the key (out/ was empty).
only_key_bytes_in_out() {
    local f originals
    originals=$(md5sum "$S"/original/* | awk '{print $1}')
    for f in "$S"/out/*; do
        [ -e "$f" ] || continue
        grep -qx "$(md5sum <"$f" | awk '{print $1}')" <<<"$originals" || fail "$(basename "$f") holds bytes of no key file"
    done
}

scenario_fault_directory_fails_after_a_good_read() {
    new_scenario f_directory
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130" "directory_fails_after = 2"
    five_files; fault_setup; fault_download
    fault_row directory_fails_after_a_good_read 2
    [ -z "$(ls "$S/out")" ] || fail "files arrived from an unreadable directory"
}

# The file that cannot be read is named, and its earlier copy stays untouched.
scenario_fault_read_fails_for_the_third_file() {
    new_scenario f_read
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130" "read_fails = C_20261204_1507_SCHMIDT.DDD"
    five_files
    echo "earlier download" >"$S/out/C_20261204_1507_SCHMIDT.DDD"
    fault_setup; fault_download 30 "C_20261204_1507_SCHMIDT.DDD nicht vollst"
    fault_row read_fails_for_the_third_file 3
    [ "$(cat "$S/out/C_20261204_1507_SCHMIDT.DDD")" = "earlier download" ] || fail "the earlier file was touched"
}

# A small file system for the output folder; without the right to mount one,
# an output folder that cannot be created stands in.
mount_output() {  # mount_output <tmpfs options>
    if ! mount -t tmpfs -o "$1" tmpfs "$S/out" 2>/dev/null; then
        rmdir "$S/out"
        echo blocker >"$S/out"
        OUT_IS_BLOCKED=1
    fi
}

unmount_output() {
    mountpoint -q "$S/out" && umount "$S/out"
    if [ -n "${OUT_IS_BLOCKED:-}" ]; then rm -f "$S/out"; mkdir "$S/out"; fi
    return 0
}

scenario_fault_output_folder_read_only() {
    new_scenario f_readonly
    with_key_library "identity = VANTIK-ID:WB40213377 FW-2131"
    five_files; fault_setup
    mount_output "ro,size=1m"
    fault_download
    fault_row output_folder_read_only 3
    unmount_output
}

scenario_fault_output_disk_full() {
    new_scenario f_full
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130"
    five_files; fault_setup
    mount_output "size=160k"
    fault_download
    fault_row output_disk_full 3
    unmount_output
}

scenario_fault_more_files_than_slots() {
    new_scenario f_many
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130"
    local i
    for i in $(seq 100 229); do key_file "C_2026120${i:2:1}_$i.DDD" 300; done
    fault_setup; fault_download 60
    fault_row more_files_than_slots
    [ "$(ls "$S/out" | wc -l)" -eq 128 ] || fail "$(ls "$S/out" | wc -l) files arrived, expected 128"
}

scenario_fault_hostile_key_names() {
    new_scenario f_names
    local long
    long=$(printf 'N%.0s' $(seq 200)).DDD
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130" \
        "alias = ..\\evil1.DDD => b1.DDD" "alias = sub/evil2.DDD => b2.DDD" "alias = C:evil3.DDD => b3.DDD" \
        "alias = CON => b4.DDD" "alias = ..\\..\\..\\evil5.DDD => b5.DDD"
    for f in b1 b2 b3 b4 b5; do key_file "$f.DDD" 100; done
    key_file "$long" 100
    key_file "A.DDD" 100
    fault_setup; fault_download
    fault_row hostile_key_names 3
    [ "$(ls "$S/out")" = A.DDD ] || fail "out holds: $(ls "$S/out")"
}

scenario_fault_two_kvr_names_in_one_second() {
    new_scenario f_samekvr
    with_key_library "identity = VANTIK-ID:WB40213377 FW-2131"
    key_file "V_WDB9634031L123456_0_20261201.DDD" 5000
    key_file "V_WDB9634031L123456_0_20261202.DDD" 6000
    fault_setup; fault_download
    fault_row two_kvr_names_in_one_second
    [ "$(ls "$S/out" | grep -c '\.kvr$')" -eq 2 ] || fail "out holds: $(ls "$S/out")"
}

scenario_fault_cancel_during_a_transfer() {
    new_scenario f_cancel
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130" "read_speed = 100000"
    five_files; fault_setup
    start_tool "$(winpath "$S/out")"
    drive < <(until_second_file; echo 'click 2')
    tool_exit 5
    fault_row cancel_during_a_transfer 4
    [ -z "$(ls "$S/out" | grep -v '\.DDD$')" ] || fail "leftovers in the output folder: $(ls "$S/out")"
}

scenario_fault_time_limit_during_a_slow_transfer() {
    new_scenario f_timelimit
    # Twelve files of 8 s each: the limit strikes during the eighth.
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130" "read_speed = 1000"
    local i
    for i in $(seq 10 21); do key_file "C_202612${i}_0900_FAHRER.DDD" 8000; done
    fault_setup
    start_tool "$(winpath "$S/out")" t normal /Min:1
    drive <<'EOF2'
window 10000 MERO - OVA
waittext 1021 5000 Download 0 - 12
click 1010
waittext 1021 10000 Download 1 - 12
EOF2
    tool_exit 80
    fault_row time_limit_during_a_slow_transfer 4
    [ "$(ls "$S/out" | wc -l)" -lt 12 ] || fail "the time limit did not end the run"
}

scenario_fault_key_library_missing() {
    new_scenario f_nolib
    five_files; fault_setup; fault_download_refused "VantikDll.dll fehlt"
    fault_row key_library_missing 2
    grep -q . "$S/key/MERO.ini" || fail "key touched"
}

scenario_fault_driver_library_missing() {
    new_scenario f_nodriver
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130"
    rm "$S/program/ftd2xx.dll"
    five_files; fault_setup; fault_download_refused "ftd2xx.dll fehlt"
    fault_row driver_library_missing 2
    [ -z "$(ls "$S/out")" ] || fail "a download ran without the driver library"
}

scenario_fault_existing_output_files() {
    new_scenario f_existing
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130" "read_fails = B.DDD"
    key_file "A.DDD" 3000
    key_file "B.DDD" 3000
    echo "older A" >"$S/out/A.DDD"
    echo "older B" >"$S/out/B.DDD"
    fault_setup; fault_download
    fault_row existing_output_files 3
    cmp -s "$S/key/A.DDD" "$S/out/A.DDD" || fail "A.DDD was not replaced"
    [ "$(cat "$S/out/B.DDD")" = "older B" ] || fail "B.DDD lost its earlier content"
}

# The last step fails: a complete, flushed file cannot take its name.
scenario_fault_folder_of_a_key_files_name() {
    new_scenario f_folder_name
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130"
    five_files
    mkdir "$S/out/C_20261203_0_MUSTERMANN.DDD" && echo "kept" >"$S/out/C_20261203_0_MUSTERMANN.DDD/note.txt"
    fault_setup; fault_download 30 "MUSTERMANN.DDD: Umbenennen abgelehnt"
    fault_row folder_of_a_key_files_name 3
    [ "$(cat "$S/out/C_20261203_0_MUSTERMANN.DDD/note.txt")" = kept ] || fail "the folder was changed"
    ls "$S/out" | grep -qi '\.part$' && fail "a temporary file was left behind"
    return 0
}

scenario_fault_split_marker_in_the_output_folder() {
    new_scenario f_folder0
    with_key_library "identity = VANTIK-ID:WB40213377 FW-2131"
    five_files
    FAULT_OUT=out/V_Lkw_0_12  # a file stored in out/ itself counts as outside
    mkdir "$S/$FAULT_OUT"
    fault_setup; fault_download
    fault_row split_marker_in_the_output_folder
    [ "$(ls "$S/$FAULT_OUT" | grep -c '\.kvr$')" -eq 2 ] || fail "the folder holds: $(ls "$S/$FAULT_OUT")"
    [ "$(ls "$S/key")" = MERO.ini ] || fail "the key was not emptied"
}

scenario_fault_names_that_windows_takes_for_one() {
    new_scenario f_case
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130" "alias = A.DDD => b1.bin" "alias = a.ddd => b2.bin"
    key_file b1.bin 500; key_file b2.bin 700
    fault_setup; fault_download 30 "Datei a.ddd: Name schon vergeben"
    fault_row names_that_windows_takes_for_one 3
    [ "$(ls "$S/key" | wc -l)" -eq 3 ] || fail "the key was emptied although two names are one file"
}

# A key name that is the short name of a long name: of another key file
# stored just before, or of an earlier file in out/. Neither is ever replaced.
scenario_fault_two_key_names_one_file_by_a_short_name() {
    new_scenario f_short
    local alias; alias=$(short_name LongFileName1.ddd)
    [ -n "$alias" ] && [ "$alias" != LongFileName1.ddd ] || fail "no short name: '$alias'"
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130" "alias = LongFileName1.ddd => b1.bin" \
        "alias = $alias => b2.bin"
    key_file b1.bin 500; key_file b2.bin 700
    fault_setup; fault_download 30 "Datei $alias: Name schon vergeben"
    fault_row two_key_names_one_file_by_short_name 3
    cmp -s "$S/key/b1.bin" "$S/out/LongFileName1.ddd" || fail "LongFileName1.ddd does not hold its key file"
    [ "$(ls "$S/out")" = LongFileName1.ddd ] || fail "out holds: $(ls "$S/out")"
}

scenario_fault_earlier_file_of_another_long_name() {
    new_scenario f_short_earlier
    local alias; alias=$(short_name LongFileName1.ddd)
    with_key_library "identity = VANTIK-ID:WB40213377 FW-2131" "alias = $alias => b1.bin"
    key_file b1.bin 500
    echo "earlier download" >"$S/out/LongFileName1.ddd"
    fault_setup; fault_download 30 "Datei $alias: Name schon vergeben (LongFileName1.ddd)"
    fault_row earlier_file_of_another_long_name 3
    [ "$(cat "$S/out/LongFileName1.ddd")" = "earlier download" ] || fail "the earlier file was replaced"
}

scenario_fault_device_names_by_windows_rules() {
    new_scenario f_devices
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130" "alias = NUL .txt => b1.bin" \
        "alias = CON .DDD => b2.bin" "$(printf 'alias = COM\xb9 => b3.bin')" "$(printf 'alias = LPT\xb2.DDD => b4.bin')" \
        "alias = CONIN$ => b5.bin"
    for f in b1 b2 b3 b4 b5; do key_file "$f.bin" 100; done
    key_file "A.DDD" 100
    fault_setup; fault_download
    fault_row device_names_by_windows_rules 3
    [ "$(ls "$S/out")" = A.DDD ] || fail "out holds: $(ls "$S/out")"
}

scenario_fault_temporary_file_of_a_killed_run() {
    new_scenario f_debris
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130"
    five_files
    echo "half a file" >"$S/out/~mero0000.part"
    fault_setup; fault_download
    fault_row temporary_file_of_a_killed_run
    [ -z "$(ls "$S/out" | grep '^~mero')" ] || fail "the temporary file is still there"
}

# The run log's block ends with the close.
scenario_fault_close_box_during_a_transfer() {
    new_scenario f_closebox
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130" "read_speed = 20000"
    five_files; fault_setup
    start_tool "$(winpath "$S/out")" t normal "/Log:$(winpath "$H")\\run.log"
    drive < <(until_second_file; printf '%s\n' close 'waitcontains 1008 1000 Abbruch nach der laufenden Datei')
    tool_exit 5
    fault_row close_box_during_a_transfer 4
    block_says "$(last_block "$H/run.log")" "Abbruch nach der laufenden Datei" "Key nicht geleert: abgebrochen" \
        "Ende: Rückgabewert 4 (geschlossen)"
}

scenario_fault_compact_close_says_why() {
    new_scenario f_compactclose
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130" "read_speed = 20000"
    five_files; fault_setup
    start_tool "$(winpath "$S/out")" t mini
    drive < <(until_second_file; printf '%s\n' 'key 1010 27' 'waittext 1021 1000 Abbruch nach der laufenden Datei')
    tool_exit 5
    fault_row compact_close_says_why 4
}

# The backup folder cannot be made: every file stays on the key, whole in out/.
scenario_fault_backup_folder_cannot_be_made() {
    new_scenario f_backup
    with_key_library "identity = VANTIK-ID:WB40213377 FW-2131"
    five_files
    echo "a file where the backup folder should be" >"$S/blocker"
    FAULT_SWITCH="/Backup:$(winpath "$S/blocker")\Sicherung"
    fault_setup; fault_download 30 "Sicherung fehlgeschlagen"
    fault_row backup_folder_cannot_be_made 3
    all_arrived kvr
    key_holds_every_file
}

