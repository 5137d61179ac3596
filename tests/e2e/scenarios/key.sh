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
