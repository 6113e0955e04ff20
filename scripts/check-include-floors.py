#!/usr/bin/env python3
"""Checks that every #include of the tree's C++ files points down.

The source folders stand on floors; a file may include files of its own
folder and of the folders its entry below names, nothing else: no include
runs up a floor or sideways to a neighbour. The tests, benchmarks and fuzz
targets stand on the top floor. The table below is the one place where the
floors are written down.

  check-include-floors.py [ROOT]          check the tree (default: this repository)
  check-include-floors.py --print [ROOT]  print the floors and what each may include

Exit status: 0 when every include points down, 1 otherwise (each offending
include is printed as file:line), 2 on a usage error.
"""

import os
import re
import sys

PLATFORM = ["platform/text", "platform/gdi", "platform/picture", "platform/fs", "platform/host"]
CORE = ["app", "sweep", "repair", "cleanup", "commands", "anigif"] + PLATFORM
SOURCES = CORE + ["ui/qt/anigif", "ui/qt", "ui/win32", "tools"]

# (floor, folder, folders it may include), from the bottom up. A file belongs
# to the longest folder named here that holds it (ui/qt/anigif before ui/qt).
FLOORS = [
    ("platform", "platform/text", []),
    ("platform", "platform/gdi", []),
    ("platform", "platform/picture", ["platform/gdi"]),
    ("platform", "platform/fs", ["platform/text"]),
    ("platform", "platform/host", ["platform/gdi", "platform/picture"]),
    ("window state", "app", PLATFORM),
    ("commands' bodies", "sweep", ["app"] + PLATFORM),
    ("commands' bodies", "repair", ["app"] + PLATFORM),
    ("commands' bodies", "cleanup", ["app"] + PLATFORM),
    ("handlers", "commands", ["sweep", "repair", "cleanup", "app"] + PLATFORM),
    ("GIF control", "anigif", ["platform/gdi", "platform/picture", "platform/host"]),
    ("GIF control's hosts", "ui/qt/anigif",
     ["anigif", "platform/gdi", "platform/picture", "platform/host"]),
    ("front ends", "ui/qt", ["ui/qt/anigif"] + CORE),
    ("front ends", "ui/win32", CORE),
    ("front ends", "tools", CORE),
    # The developers' floor: a test may include what it tests, from any floor,
    # and the helpers of tests/; benchmarks and fuzz targets likewise. No
    # source includes from here, and tests include no benchmark or fuzz target.
    ("tests, benchmarks, fuzz targets", "tests", SOURCES),
    ("tests, benchmarks, fuzz targets", "bench", SOURCES + ["tests"]),
    ("tests, benchmarks, fuzz targets", "fuzz", SOURCES + ["tests"]),
]

# Headers the build writes; they include nothing of the sources, so every
# floor may include them.
GENERATED = {"veltrano_version.h"}

# Floors whose files may name a helper of tests/ by its file name alone (the
# build gives them the helpers' folders as include folders).
BY_NAME_FROM_TESTS = {"tests", "bench", "fuzz"}

# Top-level folders that hold no C++ of the program's or its developers'.
NOT_SOURCES = {"scripts", "cmake", "packaging", "assets"}

SOURCE_SUFFIXES = (".h", ".hpp", ".c", ".cc", ".cpp", ".inc")
# '#include "x"' and '#include <x>'; the latter counts only when it names a
# file of the tree (a system header otherwise).
INCLUDE = re.compile(r'^\s*#\s*include\s*(?:"([^"]+)"|<([^>]+)>)')


def folder_of(path):
    """The folder of FLOORS that holds `path` (relative, '/'-separated), or None."""
    best = None
    for _, folder, _ in FLOORS:
        if path.startswith(folder + "/") and (best is None or len(folder) > len(best)):
            best = folder
    return best


def is_build_folder(path):
    return any(os.path.exists(os.path.join(path, name)) for name in ("CMakeCache.txt", "CMakeFiles"))


def source_files(root):
    for top in sorted(os.listdir(root)):
        top_path = os.path.join(root, top)
        if (top.startswith(".") or top in NOT_SOURCES or not os.path.isdir(top_path)
                or is_build_folder(top_path)):
            continue
        for folder, dirs, files in os.walk(top_path):
            dirs[:] = sorted(d for d in dirs if not d.startswith("."))
            for name in sorted(files):
                if name.endswith(SOURCE_SUFFIXES):
                    yield os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")


def tests_by_name(root):
    """File name -> the files of tests/ with that name."""
    names = {}
    for path in source_files(root):
        if path.startswith("tests/"):
            names.setdefault(path.rsplit("/", 1)[-1], []).append(path)
    return names


def resolve(root, path, own, target, names):
    """The files an include of `target` in `path` may name: the file beside
    `path`, else the file of that path in the tree, else (for the developers'
    floors) every helper of tests/ of that name; [None] when there is none."""
    if "/" not in target:
        beside = os.path.normpath(os.path.join(os.path.dirname(path), target))
        if os.path.isfile(os.path.join(root, beside)):
            return [beside.replace(os.sep, "/")]
    if os.path.isfile(os.path.join(root, target)):
        return [target]
    if own in BY_NAME_FROM_TESTS and "/" not in target and target in names:
        return names[target]
    return [None]


def check(root):
    allowed = {folder: set(may) for _, folder, may in FLOORS}
    names = tests_by_name(root)
    problems = []
    for path in source_files(root):
        own = folder_of(path)
        if own is None:
            problems.append(f"{path}: its folder stands on no floor; add it to {__file__}")
            continue
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                quoted = match.group(1) is not None
                target = match.group(1) if quoted else match.group(2)
                if target in GENERATED:
                    continue
                if not quoted and not os.path.isfile(os.path.join(root, target)):
                    continue  # a system or library header
                for theirs_path in resolve(root, path, own, target, names):
                    if theirs_path is None:
                        problems.append(f"{path}:{number}: includes \"{target}\", "
                                        "which is no file of the sources")
                        continue
                    theirs = folder_of(theirs_path)
                    if theirs != own and theirs not in allowed[own]:
                        problems.append(f"{path}:{number}: {own} includes \"{theirs_path}\" "
                                        f"({theirs or 'no floor'}), which it may not")
    return problems


def print_floors():
    width = max(len(folder) for _, folder, _ in FLOORS)
    last = None
    for floor, folder, may in FLOORS:
        if floor != last:
            print(f"{floor}:")
            last = floor
        print(f"  {folder:<{width}}  may include: {', '.join(may) if may else '(nothing)'}")
    print(f"generated headers, for every floor: {', '.join(sorted(GENERATED))}")


def main(argv):
    args = argv[1:]
    show = "--print" in args
    args = [a for a in args if a != "--print"]
    if len(args) > 1 or any(a.startswith("-") for a in args):
        print(__doc__, file=sys.stderr)
        return 2
    root = args[0] if args else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    if show:
        print_floors()
        return 0
    problems = check(root)
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} include(s) run up or sideways", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
