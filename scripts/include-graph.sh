#!/usr/bin/env bash
# Prints the include graph between the folders of src/: one line per edge, "from -> to (N)",
# N the number of #include "..." lines behind it; tests and benchmarks are left out. Then every
# pair of folders that include each other, and every longer cycle, as "cycle: a -> b -> ... -> a".
# Exits 1 when there is a cycle, so the one-way rule can be checked.
#
#   bash scripts/include-graph.sh [SRC-DIR]     (default: src)
set -euo pipefail
cd "$(dirname "$0")/.."
python3 - "${1:-src}" <<'PY'
import os, re, sys
root = sys.argv[1]
edges = {}
for folder, _, files in os.walk(root):
    for name in files:
        if not name.endswith(('.h', '.cpp')):
            continue
        path = os.path.join(folder, name)
        source = os.path.relpath(path, root).split(os.sep)[0]
        with open(path, encoding='utf-8', errors='replace') as f:
            for line in f:
                m = re.match(r'\s*#\s*include\s+"([^"]+)"', line)
                if not m:
                    continue
                target = m.group(1).split('/')[0]
                if "/" not in m.group(1) or target.startswith(".") or target == source or not os.path.isdir(os.path.join(root, target)):
                    continue
                edges[(source, target)] = edges.get((source, target), 0) + 1
for (a, b), n in sorted(edges.items()):
    print(f"{a} -> {b} ({n})")
graph = {}
for a, b in edges:
    graph.setdefault(a, set()).add(b)
cycles = []
def visit(node, path):
    for nxt in sorted(graph.get(node, ())):
        if nxt == path[0]:
            cycles.append(path + [nxt])
        elif nxt not in path and nxt > path[0]:
            visit(nxt, path + [nxt])
for start in sorted(graph):
    visit(start, [start])
for cycle in cycles:
    print("cycle: " + " -> ".join(cycle))
sys.exit(1 if cycles else 0)
PY
