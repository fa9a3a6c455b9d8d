#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""The source tree's floors: includes run downward, every folder is documented.

Checks, over the project's C and C++ sources:

1. Every #include that names a project file runs down the floors below (or
   stays in its own folder): a floor includes only itself and the floors
   listed before it; the public headers in include/ may be included from
   anywhere; the folders above all floors may include every floor. Inside a
   floor with rooms (ROOMS) the same holds room by room. An include the
   compiler could find in two places (tools/base/ beside base/) fails too.
2. The floors picture of docs/architecture.md names the floors of FLOORS in
   the same order (top to bottom).
3. Every folder holding sources is named in docs/architecture.md (as
   `path/`), except folders under tests/ that mirror a named folder
   (tests/rs/decode/ mirrors rs/decode/).

Usage: check_floors.py [ROOT]  (default: two folders up from this file).
Prints each violation and exits 1 when there is one.
"""
import os
import re
import sys

# The floors, bottom to top: the one list, matched by docs/architecture.md.
# A floor without a folder yet is allowed.
FLOORS = ["base", "gf", "poly", "simd", "rs", "frame", "codes", "fec"]
# The public headers: included from anywhere, include only each other.
PUBLIC = "include"
# Above all floors; each may include every floor and itself, and the folders
# listed for it here.
ABOVE = {"python": [], "tools": [], "examples": [], "bench": [], "tests": ["tools"]}

# Rooms inside a floor, bottom to top. A level holds rooms of equal rank that
# must not include each other. A room is a path prefix (the longest match
# wins); files of the floor in no room are free within their floor.
ROOMS = {
    "rs": [["rs/encode/", "rs/decode/"]],
    # The tool's order; format/ and hash/ share format/layout.h, which sits
    # below hash/ while the rest of format/ reads the hashes.
    "tools": [["tools/base/"], ["tools/files/"], ["tools/threads/"], ["tools/format/layout."],
              ["tools/hash/"], ["tools/format/"], ["tools/output/"], ["tools/rebuild/"],
              ["tools/commands/"], ["tools/doc/"]],
}

# Upward includes kept on purpose, each with its reason. One that is no
# longer used fails, so the list stays true.
EXCEPTIONS = {
    ("gf/field_init.cpp", "poly/poly.h"):
        "field initialisation validates the caller's generator with the polynomial "
        "floor's irreducibility and primitivity tests, whose statuses it returns",
}

# Where a quoted or bracketed include is looked for after the including
# file's own folder (the include paths the build gives).
SEARCH_ROOTS = ["", "include", "tools"]

SOURCE_SUFFIXES = (".c", ".cpp", ".h", ".hpp", ".inc", ".rc", ".py", ".pyi")
INCLUDING_SUFFIXES = (".c", ".cpp", ".h", ".hpp", ".inc", ".rc")
# Not source folders: build trees, fuzz corpora, test data.
SKIPPED_DIRS = {"corpus", "data", "__pycache__"}

INCLUDE = re.compile(r'^[ \t]*#[ \t]*include[ \t]*([<"])([^>"]+)[>"]', re.M)


def walk_sources(root):
    """Yields (relative path) of every source file of the project."""
    for folder, dirs, files in os.walk(root):
        rel = os.path.relpath(folder, root)
        dirs[:] = sorted(d for d in dirs if not d.startswith((".", "build")) and d not in SKIPPED_DIRS)
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.normpath(os.path.join(rel, name))


def top(rel):
    return rel.split("/", 1)[0] if "/" in rel else ""


def room_rank(floor, rel):
    """(level, room) of a file inside its floor, or None when in no room."""
    best = None
    for level, rooms in enumerate(ROOMS.get(floor, [])):
        for room in rooms:
            if rel.startswith(room) and (best is None or len(room) > len(best[1])):
                best = (level, room)
    return best


def verdict(src, dst):
    """None when src may include dst, else the reason it may not."""
    a, b = top(src), top(dst)
    if b == PUBLIC:
        return None
    if a == PUBLIC:
        return "the public headers include only each other"
    if a == b:
        ra, rb = room_rank(a, src), room_rank(a, dst)
        if ra is None or rb is None or ra[1] == rb[1] or rb[0] < ra[0]:
            return None
        return f"room {rb[1]} is not below room {ra[1]}"
    if a in ABOVE:
        if b in FLOORS or b in ABOVE[a]:
            return None
        return f"{a}/ does not read {b}/"
    if a in FLOORS and b in FLOORS:
        if FLOORS.index(b) < FLOORS.index(a):
            return None
        return f"floor {b}/ is not below floor {a}/"
    if a in FLOORS:
        return f"floor {a}/ includes {b}/, which is above all floors"
    return None


def resolve(root, src, kind, name):
    """The project files an include can name, in search order."""
    places = [os.path.dirname(src)] if kind == '"' else []
    places += SEARCH_ROOTS
    found = []
    for place in places:
        path = os.path.normpath(os.path.join(place, name))
        if not path.startswith("..") and os.path.isfile(os.path.join(root, path)) and path not in found:
            found.append(path)
    return found


def check_includes(root, sources, problems):
    known = set(FLOORS) | set(ABOVE) | {PUBLIC}
    used = set()
    checked = 0
    for src in sources:
        folder = top(src)
        if folder and folder not in known and src.endswith(INCLUDING_SUFFIXES):
            problems.append(f"{src}: folder {folder}/ is on no floor (add it to FLOORS or ABOVE)")
            continue
        if not src.endswith(INCLUDING_SUFFIXES):
            continue
        with open(os.path.join(root, src), encoding="utf-8", errors="replace") as f:
            text = f.read()
        for match in INCLUDE.finditer(text):
            kind, name = match.groups()
            found = resolve(root, src, kind, name)
            if not found:
                continue  # a system or generated header
            # A quoted include finds the including folder's own file first;
            # otherwise two files on the include paths are ambiguous.
            if kind == '"' and os.path.isfile(os.path.join(root, os.path.dirname(src), name)):
                found = found[:1]
            line = text.count("\n", 0, match.start()) + 1
            if len(found) > 1:
                problems.append(f"{src}:{line}: \"{name}\" could be any of {', '.join(found)}")
                continue
            checked += 1
            reason = verdict(src, found[0])
            if reason is None:
                continue
            if (src, found[0]) in EXCEPTIONS:
                used.add((src, found[0]))
                continue
            problems.append(f"{src}:{line}: includes {found[0]} upward: {reason}")
    for stale in sorted(set(EXCEPTIONS) - used):
        problems.append(f"exception {stale[0]} -> {stale[1]} is no longer needed: remove it")
    return checked


def named(doc, folder):
    return re.search(r"(?<![\w./-])" + re.escape(folder) + "/", doc) is not None


def check_docs(root, sources, problems):
    path = os.path.join(root, "docs", "architecture.md")
    with open(path, encoding="utf-8") as f:
        doc = f.read()
    # The floors picture: the first fenced block after the "## Floors" heading.
    picture = re.search(r"^## Floors\b.*?^```[^\n]*\n(.*?)^```", doc, re.M | re.S)
    if picture is None:
        problems.append("docs/architecture.md: no floors picture (a ``` block under \"## Floors\")")
    else:
        shown = [m.group(1) for m in re.finditer(r"^\s*([\w-]+)/", picture.group(1), re.M)]
        floors = [name for name in shown if name in FLOORS]
        if floors != FLOORS[::-1]:
            problems.append("docs/architecture.md: the floors picture shows "
                            f"{' '.join(floors)}, expected top to bottom {' '.join(FLOORS[::-1])}")
    folders = sorted({os.path.dirname(s) for s in sources if os.path.dirname(s)})
    for folder in folders:
        if named(doc, folder):
            continue
        if folder.startswith("tests/") and named(doc, folder[len("tests/"):]):
            continue
        problems.append(f"docs/architecture.md does not name the source folder {folder}/")
    return len(folders)


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", ".."))
    sources = list(walk_sources(root))
    problems = []
    includes = check_includes(root, sources, problems)
    folders = check_docs(root, sources, problems)
    for problem in problems:
        print(problem)
    print(f"{includes} project includes in {len(sources)} sources, {folders} source folders: "
          f"{len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
