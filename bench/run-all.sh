#!/usr/bin/env bash
# Runs every benchmark on generated data and prints their figures. Never part of `make test`.
set -euo pipefail
build=${1:-build}
bench="$build/bench/ambertrove-bench"
echo "== codec, synthetic 1,000,000 nodes"
"$bench" codec --synthetic 1000000
echo "== state, the cleanup queue loaded as the controller loads it at start (100,000 and 1,000,000 entries)"
"$bench" state --entries 100000
"$bench" state --entries 1000000
echo "== scan, generated 1,000,000-entry tree (made once in /tmp)"
tree=/tmp/ambertrove-bench-tree-1000000
[ -d "$tree" ] || python3 "$(dirname "$0")/generate-tree.py" "$tree" 1000000
"$bench" scan "$tree"
"$bench" scan "$tree" --threads 1
"$bench" scan "$tree" --navigation
echo "== scan, one folder of N files and a chain of N folders (made once in /tmp), beside du -sx and the ratio to it"
for n in 125000 250000 500000 1000000; do "$bench" scan-shape flat "$n"; done
for n in 5000 10000 20000; do "$bench" scan-shape chain "$n"; done
echo "== analyse, the same tree scanned, and a synthetic 1,000,000-node scan"
"$bench" analyse "$tree"
"$bench" analyse --synthetic 1000000
echo "== chart, the five charts of the same tree's root laid out and drawn"
"$bench" chart "$tree"
echo "== trash, 1,000 small files staged, moved to a temporary home's Trash and restored"
"$bench" trash --files 1000
echo "== trash, the same 1,000 small files moved by ours, trash-put and gio trash (those installed)"
"$(dirname "$0")/compare-trash.sh" "$build"
echo "== startup, the program to its first painted window over 20 saved scans of 100,000 entries and a queue of 1,000"
"$bench" startup
echo "== ui, the window scanning the same tree while sections and views change"
"$bench" ui "$tree"
echo "== snapshots, the same tree saved, a copy with every tenth file grown saved, and the two compared in the window"
"$bench" snapshots "$tree"
echo "== duplicates, generated 20,000-file 2 GB tree (made once in /tmp), against jdupes, rdfind and fdupes"
"$(dirname "$0")/compare-duplicates.sh" "$build"
echo "== duplicates, two sparse 4 GiB files that differ at byte 70,000, and 2,000 sparse copies of 5 MB and of 50 MB (made in /tmp)"
"$bench" duplicates-sparse
"$bench" duplicates-copies
"$bench" duplicates-copies --size 50000000
