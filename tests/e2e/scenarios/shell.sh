# The dialog shell: start-up, title, output folder, compact layout, closing.

scenario_start_without_parameters() {
    new_scenario start_plain
    rm -rf "$WINEPREFIX/drive_c/e2e-daten"
    set_data_path 'C:\e2e-daten'
    start_tool
    drive <<'EOF2'
window 10000 MERO - OVA
title MERO - OVA [ @VERSION@ ]
waitcontains 1008 5000 VantikDll.dll fehlt
text 1008 \r\nEs wurden 0 File(s) gefunden!\r\nVantikDll.dll fehlt
text 1023 Ausgabe: C:\\e2e-daten\\Daten\\Container\\KVR\\
text 1021 Download 0 - 0
text 1022 SN: 
text 1010 Download starten
visible 2 1
enabled 2 1
visible 1000 0
enabled 1000 0
visible 1004 0
visible 1005 1
enabled 1005 0
checked 1005 1
visible 1007 0
visible 1008 1
visible 1009 0
enabled 1009 0
visible 1010 1
enabled 1010 1
visible 1011 0
enabled 1011 0
visible 1012 0
enabled 1012 0
visible 1013 0
visible 1014 1
progress 1014 0
visible 1015 1
enabled 1015 0
rows 1015 0
visible 1016 1
enabled 1016 1
text 1016 Anzeige löschen
visible 1018 0
enabled 1018 0
visible 1020 1
enabled 1020 1
visible 1024 0
items 1024 7
visible 1026 0
enabled 1026 0
checked 1026 1
click 2
EOF2
    tool_exit 5
    [ "$TOOL_STATUS" -eq 2 ] || fail "exit status $TOOL_STATUS, not 2 (no download)"
    [ -d "$WINEPREFIX/drive_c/e2e-daten/Daten/Container/KVR" ] || fail "output folder not created"
}

scenario_compact_unattended_layout() {
    new_scenario compact
    rm -rf "$WINEPREFIX/drive_c/e2e-out"
    start_tool 'C:\e2e-normal'
    drive <<'EOF2'
window 10000 MERO - OVA
rect
close
EOF2
    normal=($(grep '^rect' <<<"$DRIVER_OUT"))
    tool_exit 5
    start_tool 'C:\e2e-out' "Lkw 12" mini /Min:30 nodelete
    drive <<'EOF2'
window 10000 Lkw 12
title Lkw 12 - MERO - OVA [ @VERSION@ ]
visible 1020 0
visible 1008 0
visible 1016 0
visible 2 0
visible 1023 0
visible 1010 1
visible 1015 1
checked 1026 0
rect
key 1010 27
EOF2
    compact=($(grep '^rect' <<<"$DRIVER_OUT"))
    local nh=$((normal[4] - normal[2])) w=$((compact[3] - compact[1])) h=$((compact[4] - compact[2]))
    [ "$h" -eq $((nh - 100)) ] || fail "compact height $h, normal $nh"
    [ "$w" -eq $((normal[3] - normal[1])) ] || fail "compact width $w"
    [ "${compact[1]}" -eq $(((compact[6] - w) / 2)) ] || fail "not centred horizontally: ${compact[*]}"
    [ "${compact[2]}" -eq $(((compact[7] - h) / 2)) ] || fail "not centred vertically: ${compact[*]}"
    tool_exit 2
    [ "$TOOL_STATUS" -eq 2 ] || fail "exit status $TOOL_STATUS after Escape, not 2 (no download)"
    [ -d "$WINEPREFIX/drive_c/e2e-out" ] || fail "C:\\e2e-out not created"
}

scenario_start_button_face_is_silver_with_black_caption() {
    new_scenario colours
    start_tool 'C:\e2e-normal'
    drive <<'EOF2'
window 10000 MERO - OVA
waitcontains 1008 5000 fehlt
ctlrect 1010
EOF2
    local colours left top right bottom
    start_button_face shot
    [ "$FACE" = C0C0C0 ] || fail "face pixel is $FACE"
    read -r left top right bottom <<<"${BUTTON[*]}"
    colours=$(/usr/bin/convert "$H/shot.png" -crop $((right - left))x$((bottom - top))+$left+$top -format %c histogram:info:-)
    grep -q '#000000' <<<"$colours" || fail "no black caption pixels"
    drive <<'EOF2'
window 1000 MERO - OVA
close
EOF2
    tool_exit 2
}

scenario_registry_data_root_in_either_view() {
    new_scenario registry
    # 32-bit view alone, 64-bit view alone, then both: the 32-bit view wins, as the 32-bit build would see it.
    local views=("32" "64" "both") expected=('C:\\e2e-v32' 'C:\\e2e-v64' 'C:\\e2e-v32') i
    for i in 0 1 2; do
        set_data_path --delete
        case ${views[$i]} in
            32) set_data_path 'C:\e2e-v32' /reg:32
                # A 64-bit Windows keeps the 32-bit view under Wow6432Node (a 32-bit one has no such view).
                if [ -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
                    wine reg query 'HKLM\Software\Wow6432Node\MERO\Common' /v DataPath /reg:64 2>/dev/null |
                        grep -q 'e2e-v32' || fail "the 32-bit view is not redirected to Wow6432Node"
                fi ;;
            64) set_data_path 'C:\e2e-v64' /reg:64 ;;
            both) set_data_path 'C:\e2e-v64' /reg:64
                  wine reg add 'HKLM\Software\MERO\Common' /v DataPath /d 'C:\e2e-v32' /f /reg:32 >/dev/null 2>&1 ;;
        esac
        start_tool
        drive <<EOF2
window 10000 MERO - OVA
text 1023 Ausgabe: ${expected[$i]}\\\\Daten\\\\Container\\\\KVR\\\\
close
EOF2
        tool_exit 2
    done
    set_data_path --delete
}

scenario_no_display_is_a_failed_run() {
    new_scenario nodisplay
    # Without a display driver no window can be created: a calling program
    # must see a failed run, not a finished one.
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winex11.drv=d" start_tool 'C:\e2e-nodisplay'
    tool_exit 30
    [ "$TOOL_STATUS" -eq 1 ] || fail "exit status $TOOL_STATUS without a window"
}
