#!/usr/bin/env python3
"""Checks that includes follow the folder layers and that no two units need each other.

A file may include files of its own folder and of lower folders only (tests/<layer> counts as
<layer>). A unit is a folder's file name without extension, so a header and its source are one
node; split files (uFRMDesignerDraw.cpp) are units of their own. Exit status 1 lists every
upward include and every circle.
"""
import os
import re
import sys

ORDER = ["raster", "resources", "formats", "shell", "vector", "filters", "document", "app"]
LEVEL = {name: i for i, name in enumerate(ORDER)}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z]+)/([A-Za-z0-9_]+)\.h"', re.M)


def layer_of(path):
    parts = path.split("/")
    if parts[0] == "tests" and len(parts) > 2:
        return parts[1] if parts[1] in LEVEL else None
    return parts[0] if parts[0] in LEVEL else None


def sources(root):
    for folder in ORDER + ["tests"]:
        for dirpath, _, files in os.walk(os.path.join(root, folder)):
            for name in files:
                if name.endswith((".h", ".cpp")):
                    full = os.path.join(dirpath, name)
                    yield os.path.relpath(full, root).replace(os.sep, "/")


def circles(graph):
    """Strongly connected components with more than one unit (Tarjan, iterative)."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    counter = [0]
    for start in graph:
        if start in index:
            continue
        work = [(start, iter(graph[start]))]
        index[start] = low[start] = counter[0]
        counter[0] += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            advanced = False
            for child in children:
                if child not in graph:
                    continue
                if child not in index:
                    index[child] = low[child] = counter[0]
                    counter[0] += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(graph[child])))
                    advanced = True
                    break
                if child in on_stack:
                    low[node] = min(low[node], index[child])
            if advanced:
                continue
            work.pop()
            if work:
                parent = work[-1][0]
                low[parent] = min(low[parent], low[node])
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
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    upward, graph = [], {}
    for path in sources(root):
        layer = layer_of(path)
        if layer is None:
            continue
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            text = f.read()
        unit = os.path.splitext(path)[0]
        graph.setdefault(unit, set())
        for folder, name in INCLUDE.findall(text):
            if folder not in LEVEL:
                continue
            if LEVEL[folder] > LEVEL[layer]:
                upward.append(f"{path} includes {folder}/{name}.h")
            target = f"{folder}/{name}"
            if target != unit:
                graph[unit].add(target)
    bad = circles(graph)
    for line in upward:
        print("upward include:", line)
    for component in bad:
        print("circle:", " <-> ".join(component))
    if upward or bad:
        return 1
    print(f"{len(graph)} units, includes follow " + " < ".join(ORDER) + ", no circles")
    return 0


if __name__ == "__main__":
    sys.exit(main())
