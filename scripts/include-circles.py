#!/usr/bin/env python3
"""Lists the circles among units: a unit is a header and a source of one name,
and unit A leans on unit B when either file of A includes B's header, in
either include form.

  scripts/include-circles.py [--root DIR] [--known A,B,...]... [folder ...]

Prints each circle with the includes that close it; exits 1 when there is one
that no --known names exactly (its units, comma-separated). The folders
default to every production folder under DIR (default: the repository).
"""
import argparse
import os
import re
import sys

parser = argparse.ArgumentParser()
parser.add_argument("--root", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
parser.add_argument("--known", action="append", default=[])
parser.add_argument("folders", nargs="*")
args = parser.parse_args()
ROOT = os.path.normpath(args.root)
FOLDERS = args.folders or ["classlib", "foundation", "mail", "controls", "shell", "app"]
KNOWN = [sorted(k.split(",")) for k in args.known]
INCLUDE = re.compile(r'\s*#\s*include\s*["<]([^">]+)[">]')

edges = {}  # unit -> {included unit: including file}
for folder in FOLDERS:
    for name in sorted(os.listdir(os.path.join(ROOT, folder))):
        if not name.endswith((".h", ".cpp")):
            continue
        unit = folder + "/" + name.rsplit(".", 1)[0]
        edges.setdefault(unit, {})
        with open(os.path.join(ROOT, folder, name), encoding="utf-8", errors="replace") as f:
            for line in f:
                m = INCLUDE.match(line)
                if not m:
                    continue
                # A header without a folder is the including file's neighbour.
                path = m.group(1) if "/" in m.group(1) else folder + "/" + m.group(1)
                if not os.path.exists(os.path.join(ROOT, path)):
                    continue
                target = os.path.normpath(path).replace(os.sep, "/").rsplit(".", 1)[0]
                if target != unit and target.split("/")[0] in FOLDERS:
                    edges[unit].setdefault(target, name)

# Tarjan's strongly connected components, without recursion.
index, low, stack, on_stack, circles = {}, {}, [], set(), []
for start in sorted(edges):
    if start in index:
        continue
    work = [(start, iter(sorted(edges[start])))]
    index[start] = low[start] = len(index)
    stack.append(start)
    on_stack.add(start)
    while work:
        unit, rest = work[-1]
        for nxt in rest:
            if nxt not in edges:
                continue
            if nxt not in index:
                index[nxt] = low[nxt] = len(index)
                stack.append(nxt)
                on_stack.add(nxt)
                work.append((nxt, iter(sorted(edges[nxt]))))
                break
            if nxt in on_stack:
                low[unit] = min(low[unit], index[nxt])
        else:
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[unit])
            if low[unit] == index[unit]:
                group = []
                while True:
                    u = stack.pop()
                    on_stack.discard(u)
                    group.append(u)
                    if u == unit:
                        break
                if len(group) > 1:
                    circles.append(sorted(group))

print("%d units, %d includes between them" % (len(edges), sum(len(t) for t in edges.values())))
for group in circles:
    print(("known circle: " if group in KNOWN else "new circle: ") + ", ".join(group))
    for unit in group:
        for target, name in sorted(edges[unit].items()):
            if target in group:
                print("    %s/%s -> %s" % (unit.split("/")[0], name, target))
if not circles:
    print("no circles")
unknown = [group for group in circles if group not in KNOWN]
sys.exit(1 if unknown else 0)
