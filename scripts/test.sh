#!/usr/bin/env bash
# Builds and runs every test: unit tests natively (plain, AddressSanitizer +
# UndefinedBehaviorSanitizer, ThreadSanitizer), bounded fuzzing, both Windows
# builds, and the end-to-end scenarios under Wine. Ends with "N passed, M failed".
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
. scripts/packages.sh
scripts/install-deps.sh $PKG_NATIVE $PKG_WINDOWS $PKG_WINE $PKG_FUZZ || exit 1
# The sweep under Wine also runs in a Polish locale: Wine takes code page 1250 from it.
if ! locale -a | grep -qx pl_PL.utf8; then
    sed -i 's/^# *\(pl_PL.UTF-8 UTF-8\)/\1/' /etc/locale.gen && locale-gen >/dev/null || exit 1
fi
FUZZ_SECONDS=${FUZZ_SECONDS:-20}
started=$(date +%s)
passed=0 failed=0

step() { echo; echo "== $*"; }
count() {  # count <passed> <failed> <label>
    passed=$((passed + $1)); failed=$((failed + $2))
    echo "-- $3: $1 passed, $2 failed"
}
build() {  # build <preset>: configure and build; a failed build counts as one failure
    if cmake --preset "$1" >"build-$1.log" 2>&1 && cmake --build --preset "$1" -j2 >>"build-$1.log" 2>&1; then
        rm -f "build-$1.log"
        return 0
    fi
    tail -30 "build-$1.log"
    count 0 1 "build $1"
    return 1
}
count_e2e() {  # count_e2e <log> <label>: the "e2e: N passed, M failed" lines of one or more runs; none is a failure
    local p=0 f=0 a b
    while read -r a b; do p=$((p + a)); f=$((f + b)); done \
        < <(sed -n 's/^e2e: \([0-9]*\) passed, \([0-9]*\) failed/\1 \2/p' "$1")
    [ $((p + f)) -gt 0 ] || f=1
    count "$p" "$f" "$2"
}
# The two cores each run one test program: the unit tests beside the sweep
# over the unkind file layer.
gtest_run() {  # gtest_run <log> <binary> [gtest arguments]: its output and exit status in <log>, <log>.status
    local log=$1 binary=$2
    shift 2
    "$binary" "$@" >"$log" 2>&1
    echo $? >"$log.status"
}
gtest_count() {  # gtest_count <label> <log>
    local label=$1 log=$2 status ran fails
    status=$(cat "$log.status" 2>/dev/null || echo 1)
    ran=$(sed -n 's/^\[==========\] \([0-9]*\) tests\? from .* ran.*/\1/p' "$log" | tail -1)
    fails=$(grep -c '^\[  FAILED  \] [A-Za-z_].*\.' "$log")
    [ -z "$ran" ] && ran=0
    if [ "$status" -ne 0 ] && [ "$fails" -eq 0 ]; then fails=1; tail -40 "$log"; fi
    [ "$fails" -gt 0 ] && grep -E '^\[  FAILED  \]|Failure|ERROR: .*Sanitizer|WARNING: ThreadSanitizer' "$log" | head -40
    count $((ran - (fails > ran ? ran : fails))) "$fails" "$label"
    rm -f "$log" "$log.status"
}
gtest_pair() {  # gtest_pair <build folder> <label suffix>; sweep sizes from the environment
    local unit unkind
    unit=$(mktemp) unkind=$(mktemp)
    gtest_run "$unit" "$1/unit_tests" &
    gtest_run "$unkind" "$1/unkind_tests"
    wait
    gtest_count "unit$2" "$unit"
    gtest_count "unkind files$2" "$unkind"
}

step "unit tests (native)"
if build native; then
    gtest_pair build/native ""
fi
step "unit tests (AddressSanitizer + UndefinedBehaviorSanitizer)"
# The sanitizers slow the "nothing lost" sweeps 8 to 25 times: fewer runs there.
if build native-asan; then
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    MERO_SWEEP_RUNS=1000 MERO_UNKIND_RUNS=40 gtest_pair build/native-asan ", asan+ubsan"
fi
step "unit tests (ThreadSanitizer)"
if build native-tsan; then
    export TSAN_OPTIONS=halt_on_error=1
    MERO_SWEEP_RUNS=300 MERO_UNKIND_RUNS=20 gtest_pair build/native-tsan ", tsan"
fi

step "fuzzing, ${FUZZ_SECONDS} s per target, two at a time"
fuzz_run() {  # fuzz_run <target>: its verdict in build/fuzz/<name>.verdict
    local name corpus
    name=$(basename "$1")
    corpus=$(mktemp -d)
    cp tests/fuzz/corpus/"${name#fuzz_}"/* "$corpus"/ 2>/dev/null
    if "$1" -max_total_time="$FUZZ_SECONDS" -timeout=5 -artifact_prefix=build/fuzz/ "$corpus" >"$corpus.log" 2>&1; then
        echo pass >"build/fuzz/$name.verdict"
    else
        tail -30 "$corpus.log" >"build/fuzz/$name.verdict"
    fi
    rm -rf "$corpus" "$corpus.log"
}
if build fuzz; then
    set -- build/fuzz/fuzz_*
    while [ $# -gt 0 ]; do
        fuzz_run "$1" &
        [ $# -gt 1 ] && fuzz_run "$2"
        wait
        shift; [ $# -gt 0 ] && shift
    done
    for target in build/fuzz/fuzz_*; do
        case "$target" in *.verdict) continue ;; esac
        name=$(basename "$target")
        if [ "$(cat "build/fuzz/$name.verdict" 2>/dev/null)" = pass ]; then count 1 0 "$name"
        else cat "build/fuzz/$name.verdict" 2>/dev/null; count 0 1 "$name"; fi
        rm -f "build/fuzz/$name.verdict"
    done
fi

step "Windows builds"
build mingw-x86 && built_x86=1 && count 1 0 "build mingw-x86"
if build mingw-x64; then
    count 1 0 "build mingw-x64"
    step "release package (zip and installer)"
    if (cd build/mingw-x64 && cpack >cpack.log 2>&1); then count 1 0 "cpack"; else tail -20 build/mingw-x64/cpack.log; count 0 1 "cpack"; fi
    step "end-to-end under Wine"
    e2e_log=$(mktemp)
    tests/e2e/run_scenarios.sh build/mingw-x64 2>&1 | tee "$e2e_log"
    count_e2e "$e2e_log" "e2e"
    rm -f "$e2e_log"
fi

# The 32-bit program is the one most sites run (the key maker's library is
# mostly 32-bit): its own end-to-end run under 32-bit Wine, with its own key
# library, driver and prefix. A shorter sweep and fewer kills keep the time.
if [ -n "${built_x86:-}" ]; then
    step "end-to-end under 32-bit Wine"
    if bash scripts/install-wine32.sh; then
        e2e_log=$(mktemp)
        PATH="/usr/local/lib/wine32/bin:$PATH" E2E_SWEEP_RUNS=${E2E_SWEEP_RUNS_X86:-500} E2E_KILLS=${E2E_KILLS_X86:-8} \
            tests/e2e/run_scenarios.sh build/mingw-x86 2>&1 | tee "$e2e_log"
        # On 64-bit Windows the 32-bit program reads the registry through
        # WoW64 redirection: its registry scenario once more in such a prefix.
        E2E_WORK="$PWD/build/mingw-x86/e2e-wow64" tests/e2e/wow64.sh \
            tests/e2e/run_scenarios.sh build/mingw-x86 registry 2>&1 | tee -a "$e2e_log" | grep -E '^(PASS|FAIL|  )'
        count_e2e "$e2e_log" "e2e x86"
        rm -f "$e2e_log"
    else
        count 0 1 "e2e x86 (32-bit Wine could not be set up)"
    fi
fi

echo
echo "wall time: $(( $(date +%s) - started )) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
