"""A GTK 3 program with two top-level windows of the same title and
different sizes, for the rule that tells same-titled windows of one process
apart. Run with Debian's /usr/bin/python3 (python3-gi, gir1.2-gtk-3.0):

    twin_windows.py [title] [width1 height1 width2 height2]

Each window holds one button named after it ("First", "Second"), so an
accessibility reader can tell which window it reads.
"""

import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gtk  # noqa: E402


def window(title, label, width, height):
    shown = Gtk.Window(title=title)
    shown.set_default_size(width, height)
    shown.add(Gtk.Button(label=label))
    shown.connect("destroy", Gtk.main_quit)
    shown.show_all()
    return shown


def main():
    title = sys.argv[1] if len(sys.argv) > 1 else "Tavik Twin"
    sizes = [int(value) for value in sys.argv[2:6]] if len(sys.argv) >= 6 else [360, 240, 260, 180]
    window(title, "First", sizes[0], sizes[1])
    window(title, "Second", sizes[2], sizes[3])
    Gtk.main()


if __name__ == "__main__":
    main()
