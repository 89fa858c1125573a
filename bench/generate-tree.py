#!/usr/bin/env python3
"""Makes a reproducible folder tree for the scan benchmarks.

usage: generate-tree.py TARGET ENTRIES

TARGET is created (it must not exist yet) and filled with exactly ENTRIES entries below it: nested
folders of varied fan-out, empty and small files, sparse larger files, hard links, symbolic links to
files and folders (some dangling) and a few names that are not ASCII. The same arguments always give
the same tree.
"""

import os
import random
import sys
from collections import deque

SEED = 20261210
EXTENSIONS = ["", ".txt", ".jpg", ".mp4", ".c", ".o", ".json", ".dat", ".log", ".png", ".gz"]
FOREIGN = ["café", "naïve", "Ärger", "日本語", "данные", "ελληνικά", "emoji-🙂", "ñandú"]


def fan_out(rng):
    roll = rng.random()
    if roll < 0.05:
        return rng.randint(0, 2)  # empty and nearly empty folders
    if roll < 0.80:
        return rng.randint(3, 30)
    if roll < 0.98:
        return rng.randint(31, 300)
    return rng.randint(301, 5000)  # a few very wide folders


def write_file(path, rng):
    roll = rng.random()
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
    try:
        if roll < 0.45:
            pass  # empty
        elif roll < 0.95:
            os.write(fd, b"x" * rng.randint(1, 300))
        else:
            os.ftruncate(fd, rng.randint(4096, 10 * 1024 * 1024))  # sparse: logical size without blocks
    finally:
        os.close(fd)


def generate(target, total):
    rng = random.Random(SEED)
    os.mkdir(target)
    made = 0
    recent_files = deque(maxlen=512)
    recent_folders = deque(maxlen=512)
    pending = deque([(target, 0)])
    while made < total:
        if not pending:
            pending.append((target, 0))
        # Mostly breadth first, sometimes depth first, so that depths vary.
        folder, depth = pending.pop() if rng.random() < 0.3 else pending.popleft()
        for _ in range(fan_out(rng)):
            if made >= total:
                break
            made += 1
            roll = rng.random()
            if roll < 0.01:
                name = f"{rng.choice(FOREIGN)}-{made}{rng.choice(EXTENSIONS)}"
            else:
                name = f"e{made:x}{rng.choice(EXTENSIONS)}"
            path = os.path.join(folder, name)
            kind = rng.random()
            if kind < 0.12 and depth < 14:
                os.mkdir(path)
                pending.append((path, depth + 1))
                recent_folders.append(path)
            elif kind < 0.14 and recent_files:
                os.link(rng.choice(recent_files), path)
            elif kind < 0.15:
                pool = recent_folders if (rng.random() < 0.5 and recent_folders) else recent_files
                link_target = rng.choice(pool) if pool else "missing"
                if rng.random() < 0.1:
                    link_target = link_target + "-dangling"
                os.symlink(os.path.relpath(link_target, folder) if link_target != "missing" else link_target, path)
            else:
                write_file(path, rng)
                recent_files.append(path)
    return made


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    target, total = sys.argv[1], int(sys.argv[2])
    if os.path.lexists(target):
        print(f"generate-tree.py: {target} exists already", file=sys.stderr)
        return 1
    made = generate(target, total)
    print(f"entries={made} target={target}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
