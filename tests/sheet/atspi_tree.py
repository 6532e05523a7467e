#!/usr/bin/python3
"""Reads the accessibility tree of one application through the AT-SPI bus,
as a screen reader does, and prints it as JSON: one object per accessible,
depth first, with its depth, role, name, description, whether it has the
focus and its action names.

Usage: atspi_tree.py <process id>
"""
import json
import sys
import time

import pyatspi


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def walk(node, depth, out):
    try:
        action = node.queryAction()
        actions = [action.getName(i) for i in range(action.nActions)]
    except NotImplementedError:
        actions = []
    out.append({
        "depth": depth,
        "role": node.getRoleName(),
        "name": node.name,
        "description": node.description,
        "focused": node.getState().contains(pyatspi.STATE_FOCUSED),
        "actions": actions,
    })
    for child in node:
        if child is not None:
            walk(child, depth + 1, out)


def main():
    # The program joins the bus a moment after it starts, as on a desktop.
    app = None
    for _ in range(300):
        app = application(int(sys.argv[1]))
        if app is not None:
            break
        time.sleep(0.1)
    if app is None:
        print("application not on the bus", file=sys.stderr)
        return 1
    out = []
    walk(app, 0, out)
    json.dump(out, sys.stdout, ensure_ascii=False)
    return 0


if __name__ == "__main__":
    sys.exit(main())
