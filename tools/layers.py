#!/usr/bin/env python3
"""The program's folders are layers. A file uses what its own folder and the
folders below it offer, never what a folder above it or beside it offers;
what must travel up goes by a return value or a message to the main window.

  layers.py --source ROOT               every #include "folder/file.h" in ROOT's
                                        program folders is checked
  layers.py --objects OBJ... [--nm NM]  which object file's code refers to a
                                        function or global another defines:
                                        the same rule, no circle of files that
                                        crosses a folder, none of more than
                                        MAX_CIRCLE files
  layers.py --lines ROOT                no source file over MAX_LINES lines

Each check prints what breaks the rule and exits with 1, or prints nothing
and exits with 0 when everything keeps it.
"""
import argparse
import collections
import os
import re
import subprocess
import sys

# Bottom first. Folders of one rank are siblings: neither uses the other.
LAYERS = [
    ["base"],
    ["editing"],
    ["settings"],
    ["pages", "tree", "toolbar"],
    ["notebook"],
    ["app"],
]
RANK = {folder: rank for rank, folders in enumerate(LAYERS) for folder in folders}
MAX_CIRCLE = 3
MAX_LINES = 700
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/[^"]+"')
SYMBOL = re.compile(r"^\s*[0-9a-fA-F]*\s+([A-Za-z])\s+(.+)$")


def may_use(user, used):
    return user == used or RANK[used] < RANK[user]


def program_files(root, suffixes):
    for folder in sorted(RANK):
        top = os.path.join(root, folder)
        for base, _, names in os.walk(top):
            for name in sorted(names):
                if name.endswith(suffixes):
                    yield folder, os.path.relpath(os.path.join(base, name), root)


def check_includes(root):
    faults = []
    for folder, path in program_files(root, (".cpp", ".h")):
        with open(os.path.join(root, path), encoding="utf-8") as text:
            for number, line in enumerate(text, 1):
                found = INCLUDE.match(line)
                if found is None:
                    continue
                used = found.group(1)
                if used in RANK and not may_use(folder, used):
                    faults.append(f"{path}:{number}: includes a header of {used}/, "
                                  f"which {folder}/ may not use")
    return faults


def check_lines(root):
    faults = []
    for _, path in program_files(root, (".cpp", ".h")):
        with open(os.path.join(root, path), encoding="utf-8") as text:
            count = sum(1 for _ in text)
        if count > MAX_LINES:
            faults.append(f"{path}: {count} lines, more than {MAX_LINES}")
    return faults


def source_of(object_path):
    """app/main_window.cpp for .../tav_core.dir/app/main_window.cpp.obj."""
    parts = object_path.replace("\\", "/").split("/")
    for i, part in enumerate(parts):
        if part in RANK:
            return "/".join(parts[i:]).rsplit(".", 1)[0]
    return None


def references(objects, nm):
    defined, wanted = {}, collections.defaultdict(set)
    for path in objects:
        source = source_of(path)
        if source is None:
            continue
        listing = subprocess.run([nm, path], capture_output=True, text=True, check=True).stdout
        wanted[source]
        for line in listing.splitlines():
            found = SYMBOL.match(line)
            if found is None:
                continue
            kind, symbol = found.groups()
            if kind == "U":
                wanted[source].add(symbol)
            elif kind in "TDBR" and not symbol.startswith("."):
                defined.setdefault(symbol, source)
    uses = {source: set() for source in wanted}
    for source, symbols in wanted.items():
        for symbol in symbols:
            definer = defined.get(symbol)
            if definer is not None and definer != source:
                uses[source].add(definer)
    return uses


def circles(uses):
    """The strongly connected components of more than one file."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]

    def visit(start):
        work = [(start, iter(sorted(uses[start])))]
        index[start] = low[start] = counter[0]
        counter[0] += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is not None:
                if child not in index:
                    index[child] = low[child] = counter[0]
                    counter[0] += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(uses[child]))))
                elif child in on_stack:
                    low[node] = min(low[node], index[child])
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                component = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    component.append(member)
                    if member == node:
                        break
                if len(component) > 1:
                    found.append(sorted(component))

    for node in sorted(uses):
        if node not in index:
            visit(node)
    return found


def check_objects(objects, nm):
    uses = references(objects, nm)
    faults = []
    for source in sorted(uses):
        folder = source.split("/")[0]
        for used in sorted(uses[source]):
            if not may_use(folder, used.split("/")[0]):
                faults.append(f"{source} uses {used}, which {folder}/ may not use")
    for circle in circles(uses):
        folders = {member.split("/")[0] for member in circle}
        if len(folders) > 1:
            faults.append("a circle of files crosses folders: " + ", ".join(circle))
        elif len(circle) > MAX_CIRCLE:
            faults.append(f"a circle of {len(circle)} files: " + ", ".join(circle))
    return faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", help="the project's root: check the includes")
    parser.add_argument("--lines", help="the project's root: check the files' lengths")
    parser.add_argument("--objects", nargs="+", help="the program's object files")
    parser.add_argument("--nm", default="x86_64-w64-mingw32-nm")
    arguments = parser.parse_args()
    faults = []
    if arguments.source:
        faults += check_includes(arguments.source)
    if arguments.lines:
        faults += check_lines(arguments.lines)
    if arguments.objects:
        # CMake hands a target's objects over as one list joined by ";".
        objects = [path for given in arguments.objects for path in given.split(";") if path]
        faults += check_objects(objects, arguments.nm)
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
