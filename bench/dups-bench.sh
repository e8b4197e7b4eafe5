#!/usr/bin/env bash
# The console program's duplicate search against jdupes, a native Linux
# duplicate finder, on one generated tree of about 20,000 files and 2 GB
# (made once, under build/bench-dups, and reused): process against process,
# `SweepfieldCmd --dups -f null TREE` against `jdupes -r -q TREE`, warm
# cache, the two alternating, several pairs, each timed whole (process start
# to end) with bash's `time`. Prints each pair's ratio (ours / jdupes; target
# at most 1.0), their median and spread, the read limit for scale (one
# process reading every byte of the tree in 1 MiB blocks, under Wine as ours
# runs), the least any duplicate finder does under Wine (one open, read and
# close of each file that shares its size), the groups SweepfieldCmd lists
# against the tree's truth, and the engine's heap bytes per candidate file
# beyond a search's rows.
#
#   bench/dups-bench.sh [pairs]        (7 pairs unless told)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
pairs="${1:-7}"

# jdupes is measured against, never built on: installed here, for the
# benchmark only.
# /usr/bin/time (Debian's `time`) measures the peak memory of a process.
if ! command -v jdupes >/dev/null || [ ! -x /usr/bin/time ]; then
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    $SUDO apt-get install -y -qq --no-install-recommends jdupes time >/dev/null
fi
"$root/scripts/build.sh" --target DuplicatesBench --target SweepfieldCmd >/dev/null
source "$root/scripts/wine-env.sh" test

tree="$root/build/bench-dups/tree"   # where DuplicatesBench makes it without a folder
mkdir -p "$(dirname "$tree")"
wintree="Z:${tree//\//\\}"
exe="$root/build/bench/DuplicatesBench.exe"
cmd="$root/build/bin/SweepfieldCmd.exe"
wine "$exe" make "$wintree"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"

TIMEFORMAT=%R
seconds() { { time "$@" >/dev/null 2>&1; } 2>&1; }
groups() { "$@" 2>/dev/null | awk 'BEGIN { n = 0; in_group = 0 } /^\r?$/ { if (in_group) n++; in_group = 0; next } { in_group = 1 } END { print n + in_group }'; }

# Warm: every byte the two read is in the page cache from here on.
listing="$root/build/bench-dups/listing.txt"
wine "$cmd" --dups -q "$wintree" >"$listing"
wine "$exe" listed "$wintree" "Z:${listing//\//\\}"
echo "groups: jdupes $(groups jdupes -r -q "$tree")"
ratios=()
for i in $(seq "$pairs"); do
    ours=$(seconds wine "$cmd" --dups -q -f null "$wintree")
    theirs=$(seconds jdupes -r -q "$tree")
    ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", a / b }')
    ratios+=("$ratio")
    echo "pair $i: SweepfieldCmd --dups -f null $ours s, jdupes -r -q $theirs s, ratio $ratio"
done
sorted=$(printf '%s\n' "${ratios[@]}" | sort -n)
median=$(echo "$sorted" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
echo "ratio ours / jdupes: median $median, from $(echo "$sorted" | head -1) to $(echo "$sorted" | tail -1) (target 1.00) $(awk -v m="$median" 'BEGIN { print (m <= 1.0) ? "met" : "MISSED" }')"
echo "read limit: every byte of the tree read in 1 MiB blocks by one process under Wine: $(seconds wine "$exe" read "$wintree") s"
echo "the least under Wine: $(wine "$exe" opens "$wintree")"
echo "stages of one run of the engine: $(SF_DUPS_TIMES=1 wine "$exe" find "$wintree" 2>&1 >/dev/null)"
checked=$(wine "$exe" check "$wintree")
echo "$checked"
# The same, process against process: the peak resident memory of the
# duplicate search against a plain listing of the same files, which keeps
# no row (pages, Wine's own memory and the two readers' 1 MiB blocks
# included, so an upper bound).
peak() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }
dupsKb=$(peak wine "$cmd" --dups -q -f null "$wintree")
listKb=$(peak wine "$cmd" -q -f null -p '*' "$wintree")
candidates=$(echo "$checked" | sed -n 's/^candidates: \([0-9]*\) files.*/\1/p')
echo "peak resident: SweepfieldCmd --dups $dupsKb KB, SweepfieldCmd -p '*' $listKb KB: $(( (dupsKb - listKb) * 1024 / candidates )) bytes per candidate, every row and the readers' blocks included"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
