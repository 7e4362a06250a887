#!/usr/bin/env python3
"""Draws the kind glyphs of the button edit (controls/res/RzBtnEdt*.bmp).

Each bitmap holds two 11 x 11 images side by side, the normal one and the
disabled one, on olive (the colour the buttons leave out). The drawing and
file helpers are the bit buttons' (button-glyphs.py), run at this size."""
import importlib.util
import os
import sys

_spec = importlib.util.spec_from_file_location(
    "button_glyphs", os.path.join(os.path.dirname(os.path.abspath(__file__)), "button-glyphs.py"))
g = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(g)
g.S = 11

INK = (0, 0, 0)


def glyph(kind):
    img = g.blank()
    if kind == "LOOKUP":  # three dots
        for x in (2, 5, 8):
            g.box(img, x, 7, x + 2, 9, INK)
    elif kind == "DROPDOWN":  # a down triangle
        for i in range(4):
            g.box(img, 2 + i, 4 + i, 9 - i, 5 + i, INK)
    elif kind == "CALENDAR":
        g.box(img, 1, 1, 10, 3, (160, 0, 0))
        for x in (1, 9):
            g.box(img, x, 3, x + 1, 10, INK)
        g.box(img, 1, 9, 10, 10, INK)
        for y in (4, 6):
            for x in (3, 5, 7):
                g.box(img, x, y, x + 1, y + 1, INK)
    elif kind == "ACCEPT":
        g.line(img, 1.5, 5.5, 4.5, 8.5, (0, 128, 0), 0.9)
        g.line(img, 4.5, 8.5, 9.5, 2.5, (0, 128, 0), 0.9)
    elif kind == "REJECT":
        g.line(img, 2, 2, 9, 9, (192, 0, 0), 0.9)
        g.line(img, 9, 2, 2, 9, (192, 0, 0), 0.9)
    elif kind == "FOLDER":
        g.box(img, 1, 2, 5, 4, (128, 96, 0))
        g.box(img, 1, 3, 10, 10, (128, 96, 0))
        g.box(img, 2, 5, 9, 9, (255, 208, 64))
    elif kind == "FIND":  # a lens
        g.disc(img, 4.5, 4.5, 3.6, INK, ring=1.2)
        g.line(img, 7, 7, 9.5, 9.5, INK, 0.9)
    elif kind == "SEARCH":  # a lens over a page
        g.box(img, 1, 1, 7, 10, (128, 128, 128))
        g.box(img, 2, 2, 6, 9, (255, 255, 255))
        g.disc(img, 6.5, 5.5, 2.8, (0, 0, 160), ring=1.0)
        g.line(img, 8.2, 7.4, 10, 9.5, (0, 0, 160), 0.8)
    return img


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "controls", "res")
    for kind in ("LOOKUP", "DROPDOWN", "CALENDAR", "ACCEPT", "REJECT", "FOLDER", "FIND", "SEARCH"):
        img = glyph(kind)
        g.write_bmp(os.path.join(out, "RzBtnEdt%s.bmp" % kind.capitalize()), [img, g.disabled(img)])


if __name__ == "__main__":
    main()
