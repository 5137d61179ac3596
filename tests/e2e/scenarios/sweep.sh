# The "nothing lost" sweep as a Windows program: the platform's own rules for
# names (case, devices, trailing dots and blanks) judge the generated runs.
scenario_nothing_lost_sweep_under_windows_rules() {
    new_scenario sweep
    local out status=0
    out=$(cd "$S" && timeout 600 wine "$WIN_BUILD/property_sweep.exe" "${E2E_SWEEP_RUNS:-2000}" 1 2>&1 | tr -d '\r') ||
        status=$?
    echo "    $out" | head -12
    [ "$status" -eq 0 ] && grep -q ' 0 violations$' <<<"$out"
}
