"""An independent reader of the accessibility tree for the integration tests:
pyatspi (libatspi's own Python binding) reads what the tests then compare
with tavik-ax's answers. Run with Debian's /usr/bin/python3 (pyatspi loads
only there); prints one JSON document.

    atspi_reference.py windows <pid>
        [{"index", "name", "role", "x", "y", "width", "height",
          "windowX", "windowY"}] for every child of the application
        (screen and window coordinates; the index counts every child, as
        tavik-ax's windowIndex does).
    atspi_reference.py tree <pid> <windowIndex> <maxDepth>
        The window's elements as nested records: "path" (child indices as
        tavik-ax numbers them), "role" (AT-SPI role name), "name",
        "description", "x", "y", "width", "height" (screen, absent without
        Component), "windowX", "windowY", "actions", "text" (Text interface,
        first 500 characters), "value" (Value interface), "editableText"
        (true with the EditableText interface), "states" and "children". A
        child that fails to answer is left out.
    atspi_reference.py role-name <ROLE>
        The name libatspi gives the role Atspi.Role.<ROLE> (e.g. PUSH_BUTTON).
"""

import json
import sys

import pyatspi


def application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            pass
    return None


def extents(accessible, coords):
    try:
        box = accessible.queryComponent().getExtents(coords)
        return box.x, box.y, box.width, box.height
    except Exception:
        return None


def record(accessible, path):
    """One element's plain properties (no children)."""
    found = {"path": path}
    try:
        found["role"] = accessible.getRoleName()
    except Exception:
        found["role"] = None
    for key, read in (("name", lambda: accessible.name), ("description", lambda: accessible.description)):
        try:
            found[key] = read() or ""
        except Exception:
            found[key] = ""
    screen = extents(accessible, pyatspi.DESKTOP_COORDS)
    if screen is not None:
        found["x"], found["y"], found["width"], found["height"] = screen
    window = extents(accessible, pyatspi.WINDOW_COORDS)
    if window is not None:
        found["windowX"], found["windowY"] = window[0], window[1]
    try:
        action = accessible.queryAction()
        found["actions"] = [action.getName(i) for i in range(action.nActions)]
    except Exception:
        found["actions"] = []
    try:
        text = accessible.queryText()
        found["text"] = text.getText(0, min(text.characterCount, 500))
    except Exception:
        pass
    try:
        found["value"] = accessible.queryValue().currentValue
    except Exception:
        pass
    try:
        accessible.queryEditableText()
        found["editableText"] = True
    except Exception:
        pass
    try:
        found["states"] = sorted(pyatspi.stateToString(s) for s in accessible.getState().getStates())
    except Exception:
        found["states"] = []
    return found


def tree(accessible, path, depth):
    found = record(accessible, path)
    if depth <= 0:
        return found
    children = []
    try:
        count = accessible.childCount
    except Exception:
        count = 0
    for index in range(count):
        try:
            child = accessible.getChildAtIndex(index)
        except Exception:
            child = None
        if child is not None:
            children.append(tree(child, "%s.%d" % (path, index), depth - 1))
    if children:
        found["children"] = children
    return found


def windows(pid):
    app = application(pid)
    if app is None:
        return []
    found = []
    for index in range(app.childCount):
        try:
            window = app.getChildAtIndex(index)
        except Exception:
            continue
        if window is None:
            continue
        entry = record(window, "0")
        entry["index"] = index
        del entry["path"]
        found.append(entry)
    return found


def main(argv):
    command = argv[1]
    if command == "role-name":
        from gi.repository import Atspi
        sys.stdout.write(json.dumps(Atspi.role_get_name(getattr(Atspi.Role, argv[2]))) + "\n")
        return
    pid = int(argv[2])
    if command == "windows":
        answer = windows(pid)
    elif command == "tree":
        index, depth = int(argv[3]), int(argv[4])
        app = application(pid)
        window = app.getChildAtIndex(index) if app is not None and index < app.childCount else None
        answer = tree(window, "0", depth) if window is not None else None
    else:
        raise SystemExit("unknown command %r" % command)
    sys.stdout.write(json.dumps(answer, ensure_ascii=False) + "\n")


if __name__ == "__main__":
    main(sys.argv)
