#!/usr/bin/env bash
# Runs the end-to-end scenarios: the real executable under Wine in a virtual
# display. Usage: run_scenarios.sh <windows build folder> [scenario name filter]
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
export WIN_BUILD=$(readlink -f "${1:?windows build folder}")
FILTER=${2:-}
export WORK=${E2E_WORK:-$WIN_BUILD/e2e}
export VERSION=$(sed -n 's/^project(MERORVS VERSION \([0-9.]*\).*/\1/p' "$HERE/../../CMakeLists.txt")
mkdir -p "$WORK"
# shellcheck source=lib.sh
. "$HERE/lib.sh"
for f in "$HERE"/scenarios/*.sh; do . "$f"; done

start_display || { echo "e2e: 0 passed, 1 failed"; exit 1; }
prepare_prefix
trap stop_all EXIT

passed=0 failed=0 failures=""
rm -f "$WORK/fault-table.txt" "$STARTED_TOOLS"
started=$(date +%s)
for scenario in $(declare -F | awk '{print $3}' | grep '^scenario_'); do
    name=${scenario#scenario_}
    [ -n "$FILTER" ] && [[ "$name" != *$FILTER* ]] && continue
    t0=$(date +%s.%N)
    # Not inside an "if": bash would ignore set -e in the scenario.
    ( set -e; "$scenario" )
    if [ $? -eq 0 ]; then
        passed=$((passed + 1)); verdict=PASS
    else
        failed=$((failed + 1)); verdict=FAIL; failures="$failures $name"
    fi
    # A scenario that failed may leave its tool running: stop the ones this
    # run started, and nothing else of that name on the machine.
    stop_started_tools
    printf '%s %s (%.1f s)\n' "$verdict" "$name" "$(echo "$(date +%s.%N) - $t0" | bc)"
done
if [ -f "$WORK/fault-table.txt" ]; then
    echo
    printf '%-34s %6s %6s %6s %5s %7s %5s\n' scenario on-key on-pc left lost outside exit
    cat "$WORK/fault-table.txt"
    echo
fi
echo "e2e wall time: $(( $(date +%s) - started )) s"
[ -n "$failures" ] && echo "failed:$failures"
echo "e2e: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
