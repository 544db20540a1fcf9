#!/usr/bin/env python3
"""Fails when the client's includes run against its layers.

Calls run one way, from the top: app -> ui -> drive -> service -> core -> base. A file may
include its own folder and any lower one; core/ holds the types and helpers every layer shares
(the application state, the notifications, the connectivity check, the connection method), and
res/resource.h and the generated deployment.h may be included from anywhere. It also fails on
any include cycle between modules, a module being a header with its source (mount.h and
mount.cpp): two modules that include each other call each other.

usage: check-layers.py [ROOT]
"""
import os
import re
import sys

LEVELS = {"base": 1, "core": 2, "service": 3, "drive": 4, "ui": 5, "app": 6}
EVERYWHERE = {"res/resource.h", "deployment.h"}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def sources(root):
    for folder in LEVELS:
        for base, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if name.endswith((".cpp", ".h")):
                    path = os.path.join(base, name)
                    yield os.path.relpath(path, root).replace(os.sep, "/")


def module(path):
    return os.path.splitext(path)[0]


def find_cycle(graph):
    """One cycle of the module graph as a list of modules, or None."""
    state = {}

    def visit(node, stack):
        state[node] = "open"
        stack.append(node)
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == "open":
                return stack[stack.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt, stack)
                if found:
                    return found
        stack.pop()
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node, [])
            if found:
                return found
    return None


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    problems = []
    graph = {}
    for path in sources(root):
        text = open(os.path.join(root, path), encoding="utf-8").read()
        level = LEVELS[path.split("/")[0]]
        for target in INCLUDE.findall(text):
            if target in EVERYWHERE:
                continue
            folder = target.split("/")[0]
            if folder not in LEVELS:
                problems.append("%s includes %s, which is no part of the client" % (path, target))
                continue
            if LEVELS[folder] > level:
                problems.append("%s includes %s from a higher layer" % (path, target))
            if module(target) != module(path):
                graph.setdefault(module(path), set()).add(module(target))
    cycle = find_cycle(graph)
    if cycle:
        problems.append("include cycle: " + " -> ".join(cycle))
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
