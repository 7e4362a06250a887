#!/usr/bin/env python3
"""Draws the preset glyphs of the bit buttons (controls/res/RzCommon*.bmp).

Each bitmap holds two 18 x 18 images side by side: the normal one and the
disabled one (embossed grey). The background is olive, the colour the
buttons leave out, taken from the bottom-left pixel."""
import math
import os
import struct
import sys

S = 18
OLIVE = (128, 128, 0)
SHADOW = (128, 128, 128)
LIGHT = (255, 255, 255)


def blank():
    return [[None] * S for _ in range(S)]


def disc(img, cx, cy, r, col, ring=None):
    for y in range(S):
        for x in range(S):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if d <= r and (ring is None or d >= r - ring):
                img[y][x] = col


def line(img, x0, y0, x1, y1, col, w=1.0):
    for y in range(S):
        for x in range(S):
            px, py = x + 0.5, y + 0.5
            dx, dy = x1 - x0, y1 - y0
            n = dx * dx + dy * dy
            t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / n)) if n else 0.0
            if math.hypot(px - (x0 + t * dx), py - (y0 + t * dy)) <= w:
                img[y][x] = col


def box(img, x0, y0, x1, y1, col):
    for y in range(y0, y1):
        for x in range(x0, x1):
            img[y][x] = col


def check(img, col, dx=0, dy=0):
    line(img, 3 + dx, 9 + dy, 7 + dx, 13 + dy, col, 1.3)
    line(img, 7 + dx, 13 + dy, 15 + dx, 4 + dy, col, 1.3)


def glyph(kind):
    img = blank()
    green, red, blue = (0, 128, 0), (192, 0, 0), (0, 0, 160)
    if kind == "OK":
        check(img, green)
    elif kind == "CANCEL":
        line(img, 4, 4, 14, 14, red, 1.4)
        line(img, 14, 4, 4, 14, red, 1.4)
    elif kind == "HELP":
        for a in range(200, 541, 4):
            r = math.radians(a)
            line(img, 9 + 4 * math.cos(r), 6 + 4 * math.sin(r), 9 + 4 * math.cos(r), 6 + 4 * math.sin(r), blue, 1.1)
        line(img, 9, 10, 9, 12, blue, 1.1)
        box(img, 8, 14, 10, 16, blue)
    elif kind == "YES":
        check(img, green)
        box(img, 3, 15, 15, 16, green)
    elif kind == "NO":
        disc(img, 9, 9, 7.5, red, ring=2)
        line(img, 4, 14, 14, 4, red, 1.1)
    elif kind == "CLOSE":
        box(img, 5, 2, 13, 16, (128, 64, 0))
        box(img, 7, 4, 11, 14, (192, 128, 64))
        box(img, 9, 8, 11, 10, (255, 255, 0))
    elif kind == "ABORT":
        disc(img, 9, 9, 7.5, red)
        box(img, 5, 8, 13, 10, LIGHT)
    elif kind == "RETRY":
        for a in range(-60, 241, 3):
            r = math.radians(a)
            line(img, 9 + 5.5 * math.cos(r), 9 + 5.5 * math.sin(r), 9 + 5.5 * math.cos(r), 9 + 5.5 * math.sin(r), blue, 1.1)
        line(img, 14, 2, 12, 7, blue, 1.0)
        line(img, 12, 7, 17, 7, blue, 1.0)
    elif kind == "IGNORE":
        for x0 in (3, 9):
            line(img, x0, 4, x0 + 5, 9, blue, 1.1)
            line(img, x0 + 5, 9, x0, 14, blue, 1.1)
    elif kind == "ALL":
        check(img, green, -2, -2)
        check(img, (0, 96, 0), 1, 2)
    return img


def disabled(img):
    out = blank()
    for y in range(S):
        for x in range(S):
            if img[y][x] is not None and y + 1 < S and x + 1 < S:
                out[y + 1][x + 1] = LIGHT
    for y in range(S):
        for x in range(S):
            if img[y][x] is not None and img[y][x] != LIGHT:
                out[y][x] = SHADOW
    return out


def write_bmp(path, images):
    w, h = S * len(images), S
    row = (w * 3 + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):
        line_ = bytearray()
        for img in images:
            for x in range(S):
                r, g, b = img[y][x] or OLIVE
                line_ += bytes((b, g, r))
        data += line_ + b"\0" * (row - len(line_))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "controls", "res")
    for kind in ("OK", "CANCEL", "HELP", "YES", "NO", "CLOSE", "ABORT", "RETRY", "IGNORE", "ALL"):
        img = glyph(kind)
        write_bmp(os.path.join(out, "RzCommon%s.bmp" % kind.capitalize()), [img, disabled(img)])


if __name__ == "__main__":
    main()
