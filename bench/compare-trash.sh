#!/usr/bin/env bash
# Times moving the same 1,000 fresh small files to the Trash with ours (`ambertrove-bench trash`), trash-put
# (trash-cli) and `gio trash`, in one run, each on its own fresh copy in a temporary home on one file
# system. A tool that is not installed is skipped. Never part of `make test`.
#
#   bench/compare-trash.sh [BUILD_DIR]     ($AMBERTROVE_TRASH_FILES files, default 1000; best of
#                                           $AMBERTROVE_TRASH_RUNS runs, default 3)
#
# Ours is timed inside the program, from the first check to the last receipt: every entry is checked
# twice against the cleanup rules and every record is flushed to the disk before its item moves. The
# other two are whole processes (their start included) that flush nothing.
set -euo pipefail
build=${1:-build}
bench="$build/bench/ambertrove-bench"
files=${AMBERTROVE_TRASH_FILES:-1000}
runs=${AMBERTROVE_TRASH_RUNS:-3}
work=$(mktemp -d /tmp/ambertrove-trash-compare-XXXXXX)
trap 'rm -rf "$work"' EXIT

# A home with a data folder and $files small files in "docs", as ours makes them.
fresh_home() {
    local home=$1
    mkdir -p "$home/.local/share" "$home/docs"
    (cd "$home/docs" && for ((i = 0; i < files; ++i)); do printf 'small file\n' >"file-$i.txt"; done)
}

# Best wall seconds of $runs runs of a tool given every file of a fresh home; checks that all moved.
time_tool() {
    local name=$1
    shift
    local best=""
    for ((k = 0; k < runs; ++k)); do
        local home="$work/$name-$k/home"
        fresh_home "$home"
        local args=()
        for ((i = 0; i < files; ++i)); do args+=("$home/docs/file-$i.txt"); done
        local start end
        start=$(date +%s.%N)
        HOME=$home XDG_DATA_HOME=$home/.local/share "$@" "${args[@]}" >/dev/null 2>&1
        end=$(date +%s.%N)
        local moved left
        moved=$(find "$home/.local/share/Trash/files" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l)
        left=$(find "$home/docs" -type f | wc -l)
        if [[ $moved -ne $files || $left -ne 0 ]]; then
            echo "$name: moved $moved of $files files, $left left" >&2
            return 1
        fi
        best=$(python3 -c "import sys; t=float(sys.argv[1])-float(sys.argv[2]); b=sys.argv[3]; print(f'{min(t, float(b)) if b else t:.3f}')" \
            "$end" "$start" "$best")
        rm -rf "$work/$name-$k"
    done
    echo "$best"
}

# Ours: the best of $runs runs, each in its own temporary home beside the others'.
ours_best=""
ours_line=""
for ((k = 0; k < runs; ++k)); do
    line=$(TMPDIR=$work "$bench" trash --files "$files")
    seconds=$(sed -n 's/.* trash_seconds=\([0-9.]*\).*/\1/p' <<<"$line")
    if [[ -z $ours_best ]] || python3 -c "import sys; sys.exit(0 if float(sys.argv[1]) < float(sys.argv[2]) else 1)" \
        "$seconds" "$ours_best"; then
        ours_best=$seconds
        ours_line=$line
    fi
done
echo "ambertrove-bench trash (best of $runs): $ours_line"

results="ambertrove=$ours_best"
if command -v trash-put >/dev/null; then
    results+=" trash-put=$(time_tool trash-put trash-put)"
else
    echo "trash-put: not installed (Debian package trash-cli), skipped"
fi
if command -v gio >/dev/null; then
    results+=" gio-trash=$(time_tool gio gio trash)"
else
    echo "gio trash: not installed (Debian package libglib2.0-bin), skipped"
fi
echo "move seconds for $files files (best of $runs): $results"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
