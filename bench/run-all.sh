#!/usr/bin/env bash
# Runs every benchmark on generated data and prints their figures. Never part of `make test`.
set -euo pipefail
build=${1:-build}
bench="$build/bench/ambertrove-bench"
echo "== codec, synthetic 1,000,000 nodes"
"$bench" codec --synthetic 1000000
echo "== analyse, synthetic 1,000,000 nodes"
"$bench" analyse --synthetic 1000000
