#!/usr/bin/env bash
# Times `ambertrove-bench scan` (on one thread and with the scanner's default number) against du, gdu
# and ncdu on the same trees with a warm cache: a generated tree (made once in /tmp) and /usr. Each tool
# runs RUNS times one after another; the best time counts. The floor is refscan, a bare work-stealing
# statx walk that keeps every entry in memory, built at run time from its source (never kept here); it
# runs alternately with the default scan. Each row gives its ratio to the default scan's time and to the
# floor's. The machine's load is printed with each tree: other work skews the figures.
# usage: bench/compare-scan.sh [BUILD_DIR]
#   (environment: ENTRIES=1000000 RUNS=3 REFSCAN_SOURCE=<the shared tools>/refscan.cpp)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
bench="$build/bench/ambertrove-bench"
entries=${ENTRIES:-1000000}
runs=${RUNS:-3}
tree=/tmp/ambertrove-bench-tree-$entries

[ -x "$bench" ] || { echo "compare-scan.sh: build $bench first" >&2; exit 1; }

refscan_source=${REFSCAN_SOURCE:-"$here/../../shared/tools/refscan.cpp"}
[ -f "$refscan_source" ] || { echo "compare-scan.sh: no refscan source at $refscan_source (set REFSCAN_SOURCE)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
refscan="$work/refscan"
g++ -O2 -std=c++20 -pthread -o "$refscan" "$refscan_source"

missing=()
command -v gdu >/dev/null 2>&1 || missing+=(gdu)
command -v ncdu >/dev/null 2>&1 || missing+=(ncdu)
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

if [ ! -d "$tree" ]; then
  echo "generating $entries entries in $tree (once)"
  python3 "$here/generate-tree.py" "$tree" "$entries"
fi

# Wall-clock seconds of one run of a command, its output discarded.
timed() {
  { TIMEFORMAT=%R; time "$@" >/dev/null 2>&1; } 2>&1
}

# The smaller of two times (the second may be empty).
smaller() {
  if [ -z "$2" ] || awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; then echo "$1"; else echo "$2"; fi
}

# Best wall-clock seconds of `runs` runs of a command, its output discarded.
best() {
  local best=""
  for ((i = 0; i < runs; i++)); do
    best=$(smaller "$(timed "$@")" "$best")
  done
  echo "$best"
}

ratio() {
  awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'
}

compare() {
  local path=$1
  echo "== $path ($(uptime | sed 's/.*load average: /load /'), $(nproc) cores)"
  du -s -x "$path" >/dev/null 2>&1 || true # warms the cache
  echo "default: $("$bench" scan "$path")"
  echo "1 thread: $("$bench" scan "$path" --threads 1)"
  # The default scan and the floor alternate, so that a change in the machine's load touches both.
  local ours="" floor=""
  for ((i = 0; i < runs; i++)); do
    ours=$(smaller "$(timed "$bench" scan "$path")" "$ours")
    floor=$(smaller "$(timed "$refscan" -j 8 --statx --tree "$path")" "$floor")
  done
  printf '%-34s %8s %8s %8s\n' tool seconds ratio floor
  line() {
    printf '%-34s %8s %8s %8s\n' "$1" "$2" "$(ratio "$2" "$ours")" "$(ratio "$2" "$floor")"
  }
  row() {
    local name=$1
    shift
    line "$name" "$(best "$@")"
  }
  line "ambertrove-bench scan (default)" "$ours"
  line "refscan -j 8 --statx --tree (floor)" "$floor"
  row "ambertrove-bench scan --threads 1" "$bench" scan "$path" --threads 1
  row "refscan --statx --tree (1 thread)" "$refscan" --statx --tree "$path"
  row "ambertrove-bench scan --navigation" "$bench" scan "$path" --navigation
  row "gdu -n (all cores)" gdu -n -p -x "$path"
  if gdu --help 2>&1 | grep -q -- '--max-cores'; then
    row "gdu -n --max-cores 1" gdu -n -p -x --max-cores 1 "$path"
  fi
  row "ncdu -o /dev/null" ncdu -0 -x -o /dev/null "$path"
  row "du -s" du -s -x "$path"
}

compare "$tree"
compare /usr
