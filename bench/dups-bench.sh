#!/usr/bin/env bash
# The duplicate search against jdupes, a native Linux duplicate finder, on
# one generated tree of about 20,000 files and 2 GB (made once, under
# build/bench-dups, and reused): warm cache, the two alternating, several
# pairs, each timed whole (process start to end) with bash's `time`. Prints
# each pair's ratio (ours / jdupes; target at most 1.0) and their median,
# the read limit for scale (one process reading every byte of the tree in
# 1 MiB blocks, under Wine as ours runs), and the engine's own checks:
# groups equal to the tree's truth, and heap bytes per candidate.
#
#   bench/dups-bench.sh [pairs]        (5 pairs unless told)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
pairs="${1:-5}"

# jdupes is measured against, never built on: installed here, for the
# benchmark only.
if ! command -v jdupes >/dev/null; then
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    $SUDO apt-get install -y -qq --no-install-recommends jdupes >/dev/null
fi
"$root/scripts/build.sh" --target DuplicatesBench >/dev/null
source "$root/scripts/wine-env.sh" test

tree="$root/build/bench-dups/tree"   # where DuplicatesBench makes it without a folder
mkdir -p "$(dirname "$tree")"
wintree="Z:${tree//\//\\}"
exe="$root/build/bench/DuplicatesBench.exe"
wine "$exe" make "$wintree"
wine "$exe" check "$wintree"

TIMEFORMAT=%R
seconds() { { time "$@" >/dev/null 2>&1; } 2>&1; }
groups() { "$@" 2>/dev/null | awk 'BEGIN { n = 0; in_group = 0 } /^$/ { if (in_group) n++; in_group = 0; next } { in_group = 1 } END { print n + in_group }'; }

# Warm: every byte the two read is in the page cache from here on.
echo "groups: ours $(groups wine "$exe" find "$wintree"), jdupes $(groups jdupes -r -q "$tree")"
ratios=()
for i in $(seq "$pairs"); do
    ours=$(seconds wine "$exe" find "$wintree")
    theirs=$(seconds jdupes -r -q "$tree")
    ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", a / b }')
    ratios+=("$ratio")
    echo "pair $i: ours $ours s, jdupes -r -q $theirs s, ratio $ratio"
done
median=$(printf '%s\n' "${ratios[@]}" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
echo "median ratio ours / jdupes: $median (target 1.00) $(awk -v m="$median" 'BEGIN { print (m <= 1.0) ? "met" : "MISSED" }')"
echo "read limit: every byte of the tree read in 1 MiB blocks by one process under Wine: $(seconds wine "$exe" read "$wintree") s"
echo "stages of one run of ours: $(SF_DUPS_TIMES=1 wine "$exe" find "$wintree" 2>&1 >/dev/null)"
