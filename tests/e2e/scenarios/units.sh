# The unit tests of the Windows side (file layer, identities and long names,
# the folder's sharing), run where that code runs; their summary line shows.
scenario_windows_unit_tests() {
    local out status=0
    out=$(cd "$WIN_BUILD" && WINEDEBUG=-all timeout 300 wine win32_tests.exe 2>&1 | tr -d '\r') || status=$?
    grep -E '^\[  (PASSED|FAILED)  \]|^\[==========\] .* ran' <<<"$out" | sed 's/^/    /'
    grep -B3 -A12 'Failure' <<<"$out" | head -40 | sed 's/^/    /'
    # A 32-bit program that Wine cannot run ends silently with status 0: only a summary counts.
    [ "$status" -eq 0 ] && grep -q '^\[  PASSED  \]' <<<"$out" || fail "the Windows unit tests failed (exit $status)"
}
