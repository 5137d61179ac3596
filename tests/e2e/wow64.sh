#!/usr/bin/env bash
# Runs a command with Wine able to start 32-bit programs in a 64-bit prefix
# (WoW64), as a 32-bit program runs on most sites' 64-bit Windows: its
# HKLM\Software reads are redirected to Wow6432Node. The system's Wine keeps
# its 32-bit loader out of /usr/lib/wine (so that `wine` stays wine64); here,
# in a mount namespace of this command alone, a copy of that folder with the
# loader in place stands over it. Usage: wow64.sh <command> [arguments...]
set -eu
[ -x /usr/lib/wine/wine32 ] || { echo "wow64: no 32-bit Wine (scripts/install-wine32.sh)" >&2; exit 1; }
lib=$(mktemp -d /tmp/wine-wow64.XXXXXX)
trap 'rm -rf "$lib"' EXIT
cp -a /usr/lib/wine/. "$lib/"
cp /usr/lib/wine/wine32 "$lib/wine"
# Under qemu user emulation the 32-bit side needs the trapno fix, as in wine32.
fix=/usr/local/lib/wine32/lib/i386-linux-gnu/libtrapfix.so
[ -f "$fix" ] && export LD_PRELOAD="/usr/local/lib/wine32/\$LIB/libtrapfix.so${LD_PRELOAD:+ $LD_PRELOAD}"
unshare -m sh -c 'mount --make-rprivate / && mount --bind "$0" /usr/lib/wine && exec "$@"' "$lib" "$@"
