#!/usr/bin/env python3
"""The fault list's reader (tools/faults.txt): lists the faults and applies one to a tree.

usage: faults.py list                one line per fault: id, file, what, and the reason it cannot
                                     be caught here when its block gives one ("! " line)
       faults.py apply ID TREE     exit 0 applied, 3 the text is not found exactly once
"""
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def faults():
    found, current = [], None
    for line in open(os.path.join(HERE, "faults.txt"), encoding="utf-8"):
        line = line.rstrip("\n")
        head = re.match(r"== (\S+) (\S+): (.*)", line)
        if head:
            current = {"id": head[1], "file": head[2], "what": head[3], "old": [], "new": [],
                       "uncatchable": ""}
            found.append(current)
        elif current and line.startswith("! "):
            current["uncatchable"] += (" " if current["uncatchable"] else "") + line[2:]
        elif current and line and line[0] in "-+" and line[1:2] in (" ", ""):
            current["old" if line[0] == "-" else "new"].append(line[2:])
    return found


def apply(fault, tree):
    path = os.path.join(tree, fault["file"])
    text = open(path, encoding="utf-8").read()
    # The lines of the old text in sequence, whatever their indentation.
    pattern = r"\n[ \t]*".join(re.escape(part.strip()) for part in fault["old"])
    matches = list(re.finditer(pattern, text))
    if len(matches) != 1:
        return False
    m = matches[0]
    new = "\n".join(fault["new"])
    open(path, "w", encoding="utf-8").write(text[:m.start()] + new + text[m.end():])
    return True


def main():
    if sys.argv[1:2] == ["list"]:
        for f in faults():
            print("%s\t%s\t%s\t%s" % (f["id"], f["file"], f["what"], f["uncatchable"]))
        return 0
    if len(sys.argv) == 4 and sys.argv[1] == "apply":
        for f in faults():
            if f["id"] == sys.argv[2]:
                return 0 if apply(f, sys.argv[3]) else 3
        print("no fault %s" % sys.argv[2], file=sys.stderr)
        return 2
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
