#!/usr/bin/env bash
# Plants one fault at a time and names the first check that notices it: the
# native unit tests (with the "nothing lost" sweep), the sweep over the unkind
# file layer, or the Windows unit tests under Wine. A fault nothing notices is
# a gap in the tests. Usage: tests/mutants.sh (after a native and a mingw-x64 build)
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
export WINEPREFIX=${WINEPREFIX:-$ROOT/build/mingw-x64/e2e/prefix} WINEDEBUG=-all
# file, text, planted instead, what it does: separated by tabs
MUTANTS=$(cat <<'EOF'
src/key/Transfer.cpp	if (moved != StagedFile::Move::Moved) return Unfinished(staged, keyName);	if (false) return Unfinished(staged, keyName);	a failed rename counted as stored
src/key/Transfer.cpp	if (copy.result != TransferResult::Stored) return BackupFailed(keyName);	if (false) return BackupFailed(keyName);	a failed backup counted as made
src/key/Transfer.cpp	if (!backup.usable) return BackupFailed(keyName);	return BackupFailed(keyName);	every backup failing
src/key/Transfer.cpp	if (!staged.HasSize(static_cast<unsigned long long>(size)) || !staged.Flush() ||	if (!staged.Flush() ||	a plain delivery longer than listed accepted
src/key/Transfer.cpp	if (!staged.Rewrite(static_cast<size_t>(size), unscramble) || !staged.Flush())	if (!staged.Rewrite(static_cast<size_t>(size), unscramble))	a failed flush treated as success
src/key/Transfer.cpp	(backup && !staged.Read(static_cast<size_t>(size), content))	(false)	a backup read that was never made
src/key/Transfer.cpp	    if (!FlushedAgain(staged, folder, names, o.pending)) return Incomplete(keyName);	    FlushedAgain(staged, folder, names, o.pending);	a failed second flush treated as success
src/key/Transfer.cpp	volumeFlushed[{p.serial, p.folder}] = FlushVolume(p.folder);	volumeFlushed[{p.serial, p.folder}] = FlushVolume(p.folder) || true;	a failed volume flush treated as success
src/key/Transfer.cpp	    if (check.readOnly) SetReadOnly(path, true);	    if (false) SetReadOnly(path, true);	a read-only attribute not put back after a failed replace
src/key/OutputNames.cpp	if (target == Target::Free || target == Target::Unknown) break;	if (true) break;	a third .kvr of one second refused
src/workers/DownloadWorker.cpp	    exitStatus_ = kExitNoDownload;	    ;	an earlier download's 0 kept by a later run
src/workers/DownloadWorker.cpp	if (answered && key) exitStatus_	if (key) exitStatus_	a key pulled after preparation giving 0
src/workers/DownloadWorker.cpp	KeyFileList_.empty() ? kExitAllArrived : kExitFileMissing;	kExitAllArrived;	a download broken off giving 0
src/commands/PrepareKey.cpp	    KeyIdentified_ = false;	    ;	"Key vorbereiten" without a key leaving it identified
src/win32/Files_win.cpp	rename->ReplaceIfExists = replace ? TRUE : FALSE;	rename->ReplaceIfExists = TRUE;	a .kvr name that replaces a file (Windows)
src/win32/Files_win.cpp	return read && done == size;	return read;	a delivery longer than listed accepted (Windows)
src/win32/Files_win.cpp	static_cast<int>(wb.size()),\n                                TRUE)	static_cast<int>(wb.size()),\n                                FALSE)	a case-only difference unseen (Windows)
src/win32/Win32System.cpp	const bool first = GetLastError() != ERROR_ALREADY_EXISTS;	const bool first = true;	a second instance removing the first one's files (Windows)
EOF
)

native_checks() {
    cmake --build build/native -j2 >/dev/null 2>&1 || { echo "(does not build)"; return; }
    MERO_SWEEP_RUNS=3000 build/native/unit_tests >/tmp/mutant.log 2>&1 || {
        echo "unit tests: $(grep -m1 '^\[  FAILED  \] [A-Za-z]' /tmp/mutant.log | sed 's/.*\] //; s/ (.*//')"; return; }
    MERO_UNKIND_RUNS=200 build/native/unkind_tests >/tmp/mutant.log 2>&1 || {
        echo "unkind sweep: $(grep -m1 -E '^seed|^\[  FAILED  \] [A-Za-z]' /tmp/mutant.log | cut -c1-90)"; return; }
    echo "NOTHING"
}
windows_checks() {
    cmake --build build/mingw-x64 -j2 --target win32_tests >/dev/null 2>&1 || { echo "(does not build)"; return; }
    (cd build/mingw-x64 && timeout 300 wine win32_tests.exe) >/tmp/mutant.log 2>&1
    grep -q '^\[  PASSED  \]' /tmp/mutant.log && ! grep -q '^\[  FAILED  \]' /tmp/mutant.log || {
        echo "Windows unit tests: $(grep -m1 '^\[  FAILED  \] [A-Za-z]' /tmp/mutant.log | tr -d '\r' | sed 's/.*\] //; s/ (.*//')"; return; }
    echo "NOTHING"
}

while IFS=$'\t' read -r file old new what; do
    cp "$file" /tmp/mutant.orig
    OLD=${old//\\n/$'\n'} NEW=${new//\\n/$'\n'} perl -0pi -e 's/\Q$ENV{OLD}\E/$ENV{NEW}/' "$file"
    if cmp -s "$file" /tmp/mutant.orig; then
        caught="(not planted: text not found)"
    elif [[ "$file" == src/win32/* ]]; then
        caught=$(windows_checks)
    else
        caught=$(native_checks)
    fi
    cp /tmp/mutant.orig "$file"
    printf '%-60s %s\n' "$what" "$caught"
done <<<"$MUTANTS"
cmake --build build/native -j2 >/dev/null 2>&1
cmake --build build/mingw-x64 -j2 --target win32_tests >/dev/null 2>&1
