#!/usr/bin/env python3
"""Checks every quoted #include under a source folder against the layer order.

Layers, lowest first: base, imaging, formats, app, editor, workflow. A core
folder may include its own folder and the folders below it. A window folder
(<core>/ui) may include any core folder and any window folder; desktop/ may
include everything but cli/; cli/ and web/ (the browser module) may each include
the core folders and themselves.
System includes (<...>) are not checked. Prints one line per stray include
and exits with 1 when there is any.

Usage: check_layers.py SOURCE_FOLDER
"""

import os
import re
import sys

CORE = ["base", "imaging", "formats", "app", "editor", "workflow"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def layer_of(path):
    """The layer name of a path relative to the source folder ('app/ui/X.h' -> 'ui')."""
    parts = path.split("/")
    if len(parts) >= 3 and parts[0] in CORE and parts[1] == "ui":
        return "ui"
    if len(parts) >= 2 and parts[0] in CORE + ["desktop", "cli", "web"]:
        return parts[0]
    return None


def allowed(source_layer, target_layer):
    if source_layer in CORE:
        return target_layer in CORE and CORE.index(target_layer) <= CORE.index(source_layer)
    if source_layer == "ui":
        return target_layer in CORE or target_layer == "ui"
    if source_layer == "desktop":
        return target_layer in CORE or target_layer in ("ui", "desktop")
    if source_layer in ("cli", "web"):
        return target_layer in CORE or target_layer == source_layer
    return False


def check(root):
    problems = []
    for folder, _, files in os.walk(root):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            full = os.path.join(folder, name)
            relative = os.path.relpath(full, root).replace(os.sep, "/")
            source_layer = layer_of(relative)
            if source_layer is None:
                problems.append(f"{relative}: not in any layer folder")
                continue
            with open(full, encoding="utf-8") as text:
                for number, line in enumerate(text, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    target = match.group(1)
                    target_layer = layer_of(target)
                    if target_layer is None:
                        problems.append(f"{relative}:{number}: \"{target}\" is not in any layer folder")
                    elif not os.path.isfile(os.path.join(root, target)):
                        problems.append(f"{relative}:{number}: \"{target}\" does not exist")
                    elif not allowed(source_layer, target_layer):
                        problems.append(
                            f"{relative}:{number}: {source_layer} must not include \"{target}\" ({target_layer})")
    return problems


def main(argv):
    if len(argv) != 2 or not os.path.isdir(argv[1]):
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    problems = check(argv[1])
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
