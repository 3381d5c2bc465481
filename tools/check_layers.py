#!/usr/bin/env python3
"""Fails when a source file includes from a folder above its own.

Folders by level, lowest first; a file may include from its own folder and
from folders of a lower level, never from a higher one. Folders of one level
must not include each other both ways. Tests, tools, the benchmark and the
fuzz targets sit above everything and are not checked.
Usage: check_layers.py [SOURCE_ROOT]
"""
import os
import re
import sys

LEVELS = [
    ["text"],                                     # ground floor
    ["widgets"],                                  # shared Qt pieces: dialogs interface, folder browser
    ["instruments", "calibration", "headers"],    # formats, wavelengths, header blocks
    ["convert", "indices", "reference"],          # runs
    ["shell", "cli"],                             # start-up, desktop, command line
]
LEVEL = {folder: n for n, folders in enumerate(LEVELS) for folder in folders}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/', re.M)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    problems = []
    edges = set()
    for folder in LEVEL:
        base = os.path.join(root, folder)
        for dirpath, _, files in os.walk(base):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(dirpath, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    text = f.read()
                for target in INCLUDE.findall(text):
                    if target == folder:
                        continue
                    if target not in LEVEL:
                        problems.append(f"{os.path.relpath(path, root)}: includes from {target}/, a folder of no level")
                    elif LEVEL[target] > LEVEL[folder]:
                        problems.append(f"{os.path.relpath(path, root)}: includes from {target}/, above {folder}/")
                    else:
                        edges.add((folder, target))
    for a, b in sorted(edges):
        if a < b and (b, a) in edges:
            problems.append(f"{a}/ and {b}/ include each other")
    for p in problems:
        print(p)
    if not problems:
        print(f"layers hold: {len(edges)} folder dependencies, all downward")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
