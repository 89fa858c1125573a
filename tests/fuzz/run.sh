#!/usr/bin/env bash
# Builds one libFuzzer target per reader of a stored file (scan, queue, receipts, backups, saved-scan
# records) with clang's sanitizers against the core sources, and runs each. Never part of `make test` or
# the default build. Needs clang-14 and libclang-rt-14-dev (apt-get install clang-14 libclang-rt-14-dev).
#
#   tests/fuzz/run.sh [RUNS] [SECONDS] [TARGET...]
#
# Each target runs for RUNS inputs (default 1,000,000) or SECONDS (default 7200), whichever ends first,
# two at a time, starting from the seeds in tests/fuzz/seeds and the corpus kept in the build folder.
# A crash leaves its input in the build folder (crash-*) and the log says where; the summary gives each
# target's input count.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out=${FUZZ_BUILD_DIR:-$root/build-fuzz}
cxx=${FUZZ_CXX:-clang++-14}
runs=${1:-1000000}
seconds=${2:-7200}
shift $(($# < 2 ? $# : 2))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(FuzzScanReader FuzzQueueReader FuzzReceiptsReader FuzzBackupsReader
                                      FuzzSavedScanRecordReader)
declare -A seeds=([FuzzScanReader]=scan [FuzzQueueReader]=queue [FuzzReceiptsReader]=receipts
                  [FuzzBackupsReader]=backups [FuzzSavedScanRecordReader]=records)

command -v "$cxx" >/dev/null || { echo "$cxx is missing: apt-get install clang-14 libclang-rt-14-dev" >&2; exit 2; }

sanitizers=(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fsanitize-ignorelist="$here/ignore.txt")
common=(-std=c++20 -O1 -g -fno-omit-frame-pointer -DRAPIDJSON_HAS_STDSTRING=1 -DRAPIDJSON_SSE2=1
        -I"$root/AmbertroveCore" "${sanitizers[@]}")
libs=($(pkg-config --libs icu-uc icu-i18n uuid libplist-2.0 mount openssl) -lpthread)

# The core library, instrumented for coverage; objects are rebuilt only when their source is newer.
mkdir -p "$out/obj"
export cxx out root
compile() {
    local source=$1
    local object="$out/obj/$(echo "${source#"$root"/}" | tr / _).o"
    if [ ! -f "$object" ] || [ "$source" -nt "$object" ] || [ -n "$(find "$root/AmbertroveCore" -name '*.hpp' -newer "$object" -print -quit)" ]; then
        "$cxx" "${@:2}" -fsanitize=fuzzer-no-link -c "$source" -o "$object"
    fi
}
export -f compile
find "$root/AmbertroveCore" -name '*.cpp' | sort |
    xargs -P 4 -I{} bash -c 'compile "$@"' _ {} "${common[@]}"
rm -f "$out/libcore.a"
ar rcs "$out/libcore.a" "$out"/obj/*.o

for target in "${targets[@]}"; do
    "$cxx" "${common[@]}" -fsanitize=fuzzer "$here/$target.cpp" "$out/libcore.a" "${libs[@]}" -o "$out/$target"
done

run() {
    local target=$1
    mkdir -p "$out/corpus/$target"
    (cd "$out" && "./$target" -runs="$runs" -max_total_time="$seconds" -dict="$here/json.dict" \
        -max_len=65536 -rss_limit_mb=4096 -print_final_stats=1 \
        "corpus/$target" "$here/seeds/${seeds[$target]}" >"$target.log" 2>&1) || true
    local done
    done=$(grep -Eo 'Done [0-9]+ runs in [0-9]+ second' "$out/$target.log" | tail -1 || true)
    if [ -n "$done" ]; then
        echo "$target: ${done#Done } (no crash)"
    else
        echo "$target: stopped early, see $out/$target.log ($(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$out/$target.log" | grep -Eo '[0-9]+$' || echo '?') inputs)"
    fi
}
export -f run
export runs seconds here
export SEEDS_DECL="$(declare -p seeds)"
printf '%s\n' "${targets[@]}" | xargs -P 2 -I{} bash -c 'eval "$SEEDS_DECL"; run "$@"' _ {}
