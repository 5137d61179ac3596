# The "nothing lost" sweep as a Windows program: the platform's own rules for
# names (case, short names, devices, trailing dots and blanks) judge the
# generated runs, once in the West's code page and once in Poland's, where the
# bytes 0x80-0xFF are other letters with other upper cases. The two run side
# by side, one on each core.
sweep_in_code_page() {  # sweep_in_code_page <code page> [environment...]: output and status in $H/sweep-<code page>
    local runs=${E2E_SWEEP_RUNS:-1000} status=0
    (cd "$S" && env "${@:2}" timeout 900 wine "$WIN_BUILD/property_sweep.exe" "$runs" 1 2>&1 | tr -d '\r') \
        >"$H/sweep-$1" || status=$?
    echo "$status" >"$H/sweep-$1.status"
}

sweep_verdict() {  # sweep_verdict <code page>
    local runs=${E2E_SWEEP_RUNS:-1000} out
    out=$(cat "$H/sweep-$1")
    echo "$out" | head -12 | sed 's/^/    /'
    grep -qx "code page $1" <<<"$out" || fail "not run in code page $1"
    [ "$(cat "$H/sweep-$1.status")" -eq 0 ] && grep -q ' 0 violations$' <<<"$out" || return 1
    # Names the locale cannot carry fail every transfer: a sweep of refusals proves nothing.
    local emptied; emptied=$(sed -n 's/^sweep: [0-9]* runs, \([0-9]*\) emptied.*/\1/p' <<<"$out")
    [ "${emptied:-0}" -gt $((runs / 20)) ] || fail "only ${emptied:-0} of $runs runs emptied the key"
}

scenario_nothing_lost_sweep_under_windows_rules() {
    new_scenario sweep
    sweep_in_code_page 1252 LC_ALL=C.UTF-8 &
    sweep_in_code_page 1250 LC_ALL=pl_PL.UTF-8
    wait
    sweep_verdict 1252
    sweep_verdict 1250
}
