#!/usr/bin/env bash
# Times `ambertrove-bench duplicates` against general duplicate-file tools on one generated tree, with a
# warm cache, and checks that the groups found agree with jdupes. Never part of `make test`.
#
#   bench/compare-duplicates.sh [BUILD_DIR]      (tree: $AMBERTROVE_DUPS_TREE, default /tmp/ambertrove-dups-tree)
set -euo pipefail
build=${1:-build}
bench="$build/bench/ambertrove-bench"
tree=${AMBERTROVE_DUPS_TREE:-/tmp/ambertrove-dups-tree}
runs=${AMBERTROVE_DUPS_RUNS:-5}
work=$(mktemp -d /tmp/ambertrove-dups-compare-XXXXXX)
trap 'rm -rf "$work"' EXIT

# The tree: about 20,000 files and 2 GB, made once from a fixed seed. Unique files of every size (many
# sizes repeat by chance), sets of copies, pairs of one size that share their first 64 KiB and differ
# later, many copies of a few small files, and large files with an exact copy and a variant that differs
# only in the middle or in the last byte.
if [[ ! -f "$tree/.complete-v2" ]]; then
    echo "making $tree (once)..." >&2
    rm -rf "$tree"
    python3 - "$tree" <<'PY'
import math, os, random, sys
root = sys.argv[1]
r = random.Random(20261210)
folders = [f"t{a:02d}/s{b:02d}" for a in range(20) for b in range(10)]
for f in folders:
    os.makedirs(os.path.join(root, f), exist_ok=True)
count = 0
def put(data):
    global count
    count += 1
    path = os.path.join(root, r.choice(folders), f"f{count:06d}.bin")
    with open(path, "wb") as out:
        out.write(data)
def logsize(low, high):
    return int(math.exp(r.uniform(math.log(low), math.log(high))))
for _ in range(13000):                              # unique files
    put(r.randbytes(logsize(512, 400_000)))
for _ in range(1600):                               # sets of copies
    data = r.randbytes(logsize(1024, 1 << 20))
    for _ in range(1 + r.choices([1, 2, 3], [6, 3, 1])[0]):
        put(data)
for _ in range(400):                                # one size, one start, different later
    size = logsize(80_000, 600_000)
    data = bytearray(r.randbytes(size))
    put(data)
    data[r.randrange(65536, size)] ^= 0xFF
    put(data)
for _ in range(50):                                 # many copies of a few small files
    data = r.randbytes(logsize(1024, 8192))
    for _ in range(40):
        put(data)
for k in range(8):                                  # large files: a copy and a near-copy each
    size = logsize(12 << 20, 36 << 20)
    data = bytearray(r.randbytes(size))
    put(data)
    put(data)
    data[size - 1 if k % 2 == 0 else size // 2] ^= 0x01
    put(data)
for k in range(10):                                 # empty files take part in nothing
    put(b"")
open(os.path.join(root, ".complete-v2"), "w").close()
PY
fi

for tool in jdupes rdfind fdupes; do
    if ! command -v "$tool" >/dev/null; then
        echo "installing $tool from Debian..." >&2
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$tool" >/dev/null
    fi
done

files=$(find "$tree" -type f ! -name '.complete-*' | wc -l)
bytes=$(du -sb --apparent-size "$tree" | cut -f1)
echo "tree: $tree files=$files bytes=$bytes"

# Best wall time of $runs runs, after one run that warms the cache.
best() {
    "$@" >/dev/null 2>&1
    local best=""
    for ((k = 0; k < runs; ++k)); do
        local start end
        start=$(date +%s.%N)
        "$@" >/dev/null 2>&1
        end=$(date +%s.%N)
        best=$(python3 -c "import sys; a=float(sys.argv[1]); b=sys.argv[2]; print(f'{min(a, float(b)) if b else a:.3f}')" \
            "$(python3 -c "print($end - $start)")" "$best")
    done
    echo "$best"
}

cat_all() { find "$tree" -type f -print0 | xargs -0 cat >/dev/null; }
t_cat=$(best cat_all)
t_ours=$(best "$bench" duplicates "$tree")
line=$("$bench" duplicates "$tree" --groups-out "$work/ours.txt")
t_jdupes=$(best jdupes -r -q "$tree")
t_rdfind=$(best rdfind -dryrun true -outputname "$work/rdfind.txt" "$tree")
t_fdupes=$(best fdupes -r -q "$tree")

echo "ambertrove-bench duplicates: $line"
ratio() { python3 -c "import sys; print(f'{float(sys.argv[1]) / float(sys.argv[2]):.2f}')" "$1" "$t_ours"; }
echo "wall seconds (best of $runs, scan included for ours): ambertrove=$t_ours jdupes=$t_jdupes rdfind=$t_rdfind fdupes=$t_fdupes cat=$t_cat"
echo "time ratio (tool / ambertrove): jdupes=$(ratio "$t_jdupes") rdfind=$(ratio "$t_rdfind") fdupes=$(ratio "$t_fdupes") cat=$(ratio "$t_cat")"

jdupes -r -q "$tree" >"$work/jdupes.txt"
python3 - "$work/ours.txt" "$work/jdupes.txt" <<'PY'
import sys
def groups(path):
    out, current = set(), []
    for line in open(path, encoding="utf-8", errors="surrogateescape"):
        line = line.rstrip("\n")
        if line:
            current.append(line)
        elif current:
            out.add(tuple(sorted(current)))
            current = []
    if current:
        out.add(tuple(sorted(current)))
    return out
ours, theirs = groups(sys.argv[1]), groups(sys.argv[2])
files = sum(len(g) for g in ours)
if ours == theirs:
    print(f"groups agree with jdupes: yes ({len(ours)} groups, {files} files)")
else:
    print(f"groups agree with jdupes: NO (only ours: {len(ours - theirs)}, only jdupes: {len(theirs - ours)})")
    sys.exit(1)
PY
