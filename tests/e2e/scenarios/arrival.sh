# A key plugged in after the tool started: the device-change broadcast makes
# the tool prepare it, in the normal and in the compact dialog.

# Starts the tool with the key unplugged, waits until its preparation found
# nothing, plugs the key in and sends the broadcast twice (devices settle).
start_and_plug_late() {  # start_and_plug_late [parameters...]
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130" "presence = ..\\plugged-in"
    five_files
    start_tool "$(winpath "$S/out")" "$@"
    drive <<'EOF2'
window 10000 MERO - OVA
sleep 1600
text 1021 Download 0 - 0
EOF2
    touch "$S/plugged-in"
}

scenario_key_plugged_in_late_normal() {
    new_scenario late_normal
    start_and_plug_late
    drive <<'EOF2'
window 10000 MERO - OVA
devicechange
devicechange
waitcontains 1022 5000 WK12345678
waittext 1021 3000 Download 0 - 5
waitcontains 1008 1000 Key erkannt
click 2
EOF2
    tool_exit 5
}

scenario_key_plugged_in_late_compact() {
    new_scenario late_compact
    start_and_plug_late t mini
    drive <<'EOF2'
window 10000 MERO - OVA
devicechange
waittext 1021 5000 Download 0 - 5
click 1010
EOF2
    tool_exit 30
    [ "$TOOL_STATUS" -eq 0 ] || fail "exit status $TOOL_STATUS"
    all_arrived
    key_holds_only_parameter_file
}
