#!/usr/bin/env bash
# Fills a folder with made-up tachograph downloads, as a key brings them back:
# driver cards (C_), vehicle units (V_) and a download of another kind (M_).
set -eu
dir=${1:?folder}
mkdir -p "$dir"
sample() { head -c "$2" /dev/urandom >"$dir/$1"; }
sample "C_20261203_0_MUSTERMANN_MAX.DDD" 28417
sample "V_WDB9634031L123456_0_20261203.DDD" 196608
sample "C_20261204_1507_SCHMIDT_ANNA.DDD" 25112
sample "V_WMA06XZZ7FM654321_20261204.DDD" 131277
sample "M_20261204_0830_B-MR-1234.DDD" 4096
