# The emulated key library: listing at start-up and key preparation.

scenario_key_listed_at_startup() {
    new_scenario listed
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130"
    key_file "B_2.DDD" 1200
    key_file "A_1.DDD" 512
    key_file "C_3.DDD" 7
    start_tool "$(winpath "$S/out")"
    drive <<'EOF2'
window 10000 MERO - OVA
waittext 1021 5000 Download 0 - 3
rows 1015 3
row 1015 0 A_1.DDD ( 512 )
row 1015 1 B_2.DDD ( 1200 )
row 1015 2 C_3.DDD ( 7 )
text 1008 \r\nEs wurden 3 File(s) gefunden!
text 1022 SN: VANTIK-ID:WK12345678 FW-2130\r\n( OVA Transport )
checked 1005 1
enabled 1005 1
enabled 1000 0
visible 1000 1
enabled 1010 1
enabled 1020 1
click 2
EOF2
    tool_exit 2
}

scenario_missing_driver_library_is_reported() {
    new_scenario nodriver
    with_key_library
    rm "$S/program/ftd2xx.dll"
    key_file "A.DDD" 10
    start_tool "$(winpath "$S/out")"
    drive <<'EOF2'
window 10000 MERO - OVA
waitcontains 1008 5000 ftd2xx.dll fehlt
text 1022 SN: 
close
EOF2
    tool_exit 2
}

# The key is one device: a second start while a download runs touches neither
# the key (no library call at all) nor the folders, and ends with 2; the first
# run ends complete.
scenario_second_start_leaves_the_key_to_the_first() {
    new_scenario second
    with_key_library "identity = VANTIK-ID:WB40213377 FW-2131" "read_speed = 100000"
    five_files
    # The second instance's own copy of the key library, which logs every call it gets.
    mkdir "$H/program2"
    cp "$S"/program/* "$H/program2/"
    printf 'folder = ..\\..\\key\ncalls = ..\\calls-second.txt\n' >"$H/program2/emulated-key.txt"
    local log first
    log="/Log:$(winpath "$H")\\run.log"
    start_tool "$(winpath "$S/out")" t mini /Min:30 "$log"
    first=$TOOL_PID
    drive <<'EOF2'
window 10000 t - MERO - OVA
waittext 1021 5000 Download 0 - 5
click 1010
waittext 1021 10000 Download 2 - 5
EOF2
    start_tool_in "$H/program2" "$(winpath "$S/out")" t mini /Min:30 "$log"
    tool_exit 30
    [ "$TOOL_STATUS" -eq 2 ] || fail "the second start ended with $TOOL_STATUS"
    [ ! -e "$H/calls-second.txt" ] || fail "the second start called the key: $(tr '\n' ' ' <"$H/calls-second.txt")"
    TOOL_PID=$first
    tool_exit 60
    [ "$TOOL_STATUS" -eq 0 ] || fail "the first run ended with $TOOL_STATUS"
    all_arrived kvr
    key_holds_only_parameter_file
    LC_ALL=C grep -q "zweiter Start: MERORVS.exe l.uft bereits" "$H/run.log" || fail "the log lacks the second start"
}
