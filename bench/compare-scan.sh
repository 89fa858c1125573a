#!/usr/bin/env bash
# Times `ambertrove-bench scan` (on one thread and with the scanner's default number) against du, gdu
# and ncdu on the same trees with a warm cache: a generated tree (made once in /tmp) and /usr. Each tool
# runs RUNS times one after another; the best time counts. Ratios are to the default scan's time. The
# machine's load is printed with each tree: other work skews the figures.
# usage: bench/compare-scan.sh [BUILD_DIR]   (environment: ENTRIES=1000000 RUNS=3)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
bench="$build/bench/ambertrove-bench"
entries=${ENTRIES:-1000000}
runs=${RUNS:-3}
tree=/tmp/ambertrove-bench-tree-$entries

[ -x "$bench" ] || { echo "compare-scan.sh: build $bench first" >&2; exit 1; }

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

# Best wall-clock seconds of `runs` runs of a command, its output discarded.
best() {
  local best="" t
  for ((i = 0; i < runs; i++)); do
    t=$( { TIMEFORMAT=%R; time "$@" >/dev/null 2>&1; } 2>&1 )
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
  done
  echo "$best"
}

compare() {
  local path=$1
  echo "== $path ($(uptime | sed 's/.*load average: /load /'), $(nproc) cores)"
  du -s -x "$path" >/dev/null 2>&1 || true # warms the cache
  echo "default: $("$bench" scan "$path")"
  echo "1 thread: $("$bench" scan "$path" --threads 1)"
  local ours
  ours=$(best "$bench" scan "$path")
  printf '%-34s %8s %8s\n' tool seconds ratio
  row() {
    local name=$1
    shift
    local t
    t=$(best "$@")
    printf '%-34s %8s %8s\n' "$name" "$t" "$(awk -v a="$t" -v b="$ours" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')"
  }
  printf '%-34s %8s %8s\n' "ambertrove-bench scan (default)" "$ours" "1.00"
  row "ambertrove-bench scan --threads 1" "$bench" scan "$path" --threads 1
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
