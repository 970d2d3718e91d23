#!/usr/bin/env python3
"""Fails when a source file includes a header of a layer above its own.

The driver's folders are layers: a file may include headers of its own
folder and of folders of a lower rank, never of a higher or an equal one
(folders of one rank stay independent of each other). Generated headers
count as the folder they are generated for (their include path starts
with it). Tests, benchmarks, tools and the simulated board are outside the
layers.

Usage: checkIncludeLayers.py <source root>
"""

import os
import re
import sys

# kal <- platform <- framework <- regmaps, routing <- storage, dma
#     <- controllers <- device <- requests
RANKS = {
    "kal": 0,
    "platform": 1,
    "framework": 2,
    "regmaps": 3,
    "routing": 3,
    "storage": 4,
    "dma": 4,
    "controllers": 5,
    "device": 6,
    "requests": 7,
}

# Known upward includes, each with the reason it still stands. A new one
# fails the check like any other.
PENDING = set()

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def violations(root):
    found = []
    for layer in sorted(RANKS):
        top = os.path.join(root, layer)
        for directory, _, files in os.walk(top):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(directory, name)
                relative = os.path.relpath(path, root)
                with open(path, encoding="utf-8") as f:
                    for lineno, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        target = m.group(1).split("/", 1)[0]
                        if target == layer or target not in RANKS:
                            continue
                        if RANKS[target] >= RANKS[layer] and (relative, m.group(1)) not in PENDING:
                            found.append(f"{relative}:{lineno}: {layer} (rank {RANKS[layer]}) includes "
                                         f"\"{m.group(1)}\" of {target} (rank {RANKS[target]})")
    return found


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    found = violations(argv[1])
    for line in found:
        print(line, file=sys.stderr)
    if found:
        print(f"{len(found)} include(s) point up or sideways", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
