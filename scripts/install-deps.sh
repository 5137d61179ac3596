#!/usr/bin/env bash
# Installs what the build and the tests need, when it is missing (Debian 12, as root).
set -eu
need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for pkg in "$@"; do have_pkg "$pkg" || need+=("$pkg"); done
if [ "${#need[@]}" -gt 0 ]; then
    echo "installing: ${need[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
