# The release package: silent install, a download with the installed tool, silent uninstall.

scenario_installer_round_trip() {
    new_scenario package
    # The build folder holds the package of its own bitness only (win32 or win64).
    local installer dir="$WINEPREFIX/drive_c/e2e-install"
    find_installer() { ls "$WIN_BUILD"/MERO-OVA-KeyDownload-"$VERSION"-win*.exe 2>/dev/null | head -1; }
    [ -n "$(find_installer)" ] || (cd "$WIN_BUILD" && cpack -G NSIS >/dev/null)
    installer=$(find_installer)
    [ -f "$installer" ] || fail "no installer in $WIN_BUILD"
    rm -rf "$dir"
    timeout 120 wine "$installer" /S '/D=C:\e2e-install' >/dev/null 2>&1
    for f in MERORVS.exe LIESMICH.txt Beispiel/MERO.ini Uninstall.exe; do
        [ -f "$dir/$f" ] || fail "the installer did not install $f"
    done
    # The site adds the key maker's libraries; here the emulated key stands in.
    cp "$WIN_BUILD/VantikDll.dll" "$WIN_BUILD/ftd2xx.dll" "$dir/"
    printf 'folder = %s\nidentity = VANTIK-ID:WK12345678 FW-2130\n' "$(winpath "$S/key")" >"$dir/emulated-key.txt"
    key_file "C_20261207_0800_FAHRER.DDD" 20000
    cp "$S/key/C_20261207_0800_FAHRER.DDD" "$H/original.DDD"
    start_tool_in "$dir" "$(winpath "$S/out")"
    drive <<'EOF2'
window 10000 MERO - OVA
title MERO - OVA [ @VERSION@ ]
waittext 1021 5000 Download 0 - 1
click 1010
waittext 1021 10000 Download ENDE
click 2
EOF2
    tool_exit 5
    timeout 120 wine 'C:\e2e-install\Uninstall.exe' /S '_?=C:\e2e-install' >/dev/null 2>&1
    [ ! -f "$dir/MERORVS.exe" ] || fail "the uninstaller left MERORVS.exe"
    same_bytes "$H/original.DDD" "$S/out/C_20261207_0800_FAHRER.DDD" || fail "the downloaded file did not stay"
}
