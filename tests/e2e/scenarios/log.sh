# The run log: the account of each run, kept where the output folder's
# importers never see it, written in Windows-1252 with CR LF.

# The last block of a log file, in UTF-8 without CRs.
last_block() {  # last_block <log file>
    [ -f "$1" ] || { echo "(no log at $1)"; return; }
    iconv -f CP1252 -t UTF-8 "$1" | tr -d '\r' | awk '/^=== /{block=""} {block = block $0 "\n"} END {printf "%s", block}'
}

# The block holds each line given (fixed strings).
block_says() {  # block_says <block> <line>...
    local block=$1 line
    shift
    for line in "$@"; do
        grep -qF -- "$line" <<<"$block" || fail "the log lacks \"$line\": $(sed 's/^/      /' <<<"$block")"
    done
}

# A log that cannot be written costs nothing: said once, the run as without it.
scenario_log_folder_cannot_be_written() {
    new_scenario log_blocked
    with_key_library "identity = VANTIK-ID:WB40213377 FW-2131"
    five_files
    echo "a file where the log folder should be" >"$S/blocker"
    FAULT_SWITCH="/Log:$(winpath "$S/blocker")\\run.log"
    fault_setup; fault_download 30 "Protokoll nicht geschrieben"
    fault_row log_folder_cannot_be_written
    all_arrived kvr
    key_holds_only_parameter_file
}

# A close while a slow key is emptied: the emptying goes on to its end, and the
# exit status and both logs say what the key holds afterwards.
scenario_log_of_a_close_during_the_emptying() {
    new_scenario log_close_emptying
    with_key_library "identity = VANTIK-ID:WK12345678 FW-2130" "delete_delay = 1200"
    five_files
    start_tool "$(winpath "$S/out")" t normal "/Log:$(winpath "$S/logs")\\run.log"
    drive <<'EOF2'
window 10000 MERO - OVA
waittext 1021 5000 Download 0 - 5
click 1010
waitcontains 1021 20000 Download - l
close
waitcontains 1008 2000 sobald der Key geleert ist
EOF2
    tool_exit 30
    [ "$TOOL_STATUS" -eq 0 ] || fail "exit status $TOOL_STATUS"
    key_holds_only_parameter_file
    block_says "$(last_block "$S/logs/run.log")" "Schließen, sobald der Key geleert ist" "Key geleert" \
        "Ende: Rückgabewert 0 (geschlossen)"
}
