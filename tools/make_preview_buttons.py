#!/usr/bin/env python3
"""Draws the preview tool bar's pictures and writes them as one gzip-packed strip.

Each picture is 16 x 16 pixels, drawn here from small primitives; the strip holds them left to
right by image index as a 24-bit bottom-up BMP whose pure magenta pixels are transparent. Run
from the repository root:

    tools/make_preview_buttons.py [--preview out.ppm]

It rewrites src/resources/PreviewButtons.bmp.gz (deterministic: the gzip header carries no time).
"""

import gzip
import io
import struct
import sys

S = 16
COUNT = 25
KEY = (255, 0, 255)

PAL = {
    "k": (0, 0, 0),
    "d": (64, 64, 64),
    "g": (96, 96, 96),
    "G": (150, 150, 150),
    "l": (208, 208, 208),
    "w": (255, 255, 255),
    "y": (246, 204, 84),
    "Y": (206, 152, 36),
    "b": (40, 96, 192),
    "B": (140, 176, 230),
    "n": (28, 52, 120),
    "r": (200, 32, 32),
    "R": (236, 120, 120),
    "e": (40, 150, 60),
    "c": (200, 228, 248),
    "o": (230, 140, 30),
}


class Pic:
    def __init__(self):
        self.p = [[None] * S for _ in range(S)]

    def px(self, x, y, c):
        if 0 <= x < S and 0 <= y < S:
            self.p[y][x] = PAL[c] if c else None

    def fill(self, x, y, w, h, c):
        for j in range(y, y + h):
            for i in range(x, x + w):
                self.px(i, j, c)

    def frame(self, x, y, w, h, c):
        for i in range(x, x + w):
            self.px(i, y, c)
            self.px(i, y + h - 1, c)
        for j in range(y, y + h):
            self.px(x, j, c)
            self.px(x + w - 1, j, c)

    def box(self, x, y, w, h, edge, inside):
        self.fill(x, y, w, h, inside)
        self.frame(x, y, w, h, edge)

    def hline(self, x0, x1, y, c):
        for i in range(x0, x1 + 1):
            self.px(i, y, c)

    def vline(self, x, y0, y1, c):
        for j in range(y0, y1 + 1):
            self.px(x, j, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.px(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def art(self, x, y, rows):
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch != ".":
                    self.px(x + i, y + j, ch)

    def tri(self, x, yc, half, direction, c):
        """A solid triangle pointing left (-1) or right (+1) with its tip at x."""
        for k in range(half + 1):
            col = x - direction * k
            self.vline(col, yc - k, yc + k, c)

    def disc(self, cx, cy, r, edge, inside):
        for j in range(S):
            for i in range(S):
                d = (i - cx) ** 2 + (j - cy) ** 2
                if d <= r * r:
                    self.px(i, j, inside)
        for j in range(S):
            for i in range(S):
                d = (i - cx) ** 2 + (j - cy) ** 2
                if (r - 0.9) ** 2 < d <= (r + 0.4) ** 2:
                    self.px(i, j, edge)


def page(p, x=3, y=1, w=10, h=14, lines=True):
    """A sheet with a folded corner."""
    p.box(x, y, w, h, "g", "w")
    p.art(x + w - 4, y, ["ggg.", "wlg.", "wllg", "gggg"])
    p.px(x + w - 1, y, None)
    p.px(x + w - 1, y + 1, None)
    p.px(x + w - 2, y, None)
    if lines:
        for j in range(y + 5, y + h - 2, 2):
            p.hline(x + 2, x + w - 3, j, "G")


def magnifier(p, sign=None):
    p.disc(6, 6, 4.6, "d", "c")
    p.px(4, 4, "w")
    p.px(5, 4, "w")
    p.px(4, 5, "w")
    for k in range(4):
        p.line(10 + k, 11 + k, 11 + k, 10 + k, "k")
        p.px(10 + k, 10 + k, "k")
    p.px(14, 14, "k")
    if sign:
        p.hline(4, 8, 6, sign)
        if sign == "b":
            pass
    return p


def icon_open():
    p = Pic()
    p.art(0, 2, [
        ".gggg...........",
        "gyyyyg..........",
        "gyyyyyggggggg...",
        "gyyyyyyyyyyyyg..",
        "gyyyyyyyyyyyyg..",
        "gyyyyggggggggggg",
        "gyyygYYYYYYYYYYg",
        "gyyygYYYYYYYYYg.",
        "gyygYYYYYYYYYYg.",
        "gyygYYYYYYYYYg..",
        "gygYYYYYYYYYYg..",
        "gygYYYYYYYYYg...",
        "ggYYYYYYYYYYg...",
        "gggggggggggg....",
    ])
    return p


def icon_save():
    p = Pic()
    p.art(0, 0, [
        "................",
        ".nnnnnnnnnnnnn..",
        ".nbwwwwwwwwwbbn.",
        ".nbwwwwwwwwwbbbn",
        ".nbwGGGGGGGwbbbn",
        ".nbwwwwwwwwwbbbn",
        ".nbwGGGGGGGwbbbn",
        ".nbwwwwwwwwwbbbn",
        ".nbbbbbbbbbbbbbn",
        ".nbbbbbbbbbbbbbn",
        ".nbbllllllllbbbn",
        ".nbbllnnllllbbbn",
        ".nbbllnnllllbbbn",
        ".nbbllnnllllbbbn",
        "..nnnnnnnnnnnnn.",
        "................",
    ])
    return p


def icon_print():
    p = Pic()
    p.art(0, 0, [
        "................",
        "....ggggggggg...",
        "....gwwwwwwwg...",
        "....gwGGGGGwg...",
        "....gwwwwwwwg...",
        "..gggggggggggg..",
        ".glllllllllllllg",
        ".glllllllllllllg",
        ".gllllllllllleeg",
        ".gGGGGGGGGGGGGGg",
        ".gGGgggggggggGGg",
        ".gggwwwwwwwwwggg",
        "...gwGGGGGGGwg..",
        "...gwwwwwwwwwg..",
        "...ggggggggggg..",
        "................",
    ])
    return p


def icon_export():
    p = Pic()
    page(p, 1, 1, 10, 14)
    p.art(7, 5, [
        "....e...",
        "....ee..",
        "eeeeeee.",
        "eeeeeeee",
        "eeeeeee.",
        "....ee..",
        "....e...",
    ])
    return p


def icon_find():
    p = Pic()
    page(p, 1, 0, 11, 14)
    p.disc(10, 9, 3.2, "d", "c")
    for k in range(3):
        p.line(12 + k, 12 + k, 13 + k, 12 + k, "k")
        p.px(12 + k, 13 + k, "k")
    return p


def icon_thumbnails():
    p = Pic()
    for (x, y) in ((1, 1), (9, 1), (1, 9), (9, 9)):
        p.box(x, y, 6, 6, "g", "w")
        p.hline(x + 1, x + 4, y + 2, "G")
        p.hline(x + 1, x + 3, y + 4, "G")
    p.frame(0, 0, 8, 8, "b")
    p.frame(0, 0, 8, 8, "b")
    return p


def icon_tools():
    p = Pic()
    p.art(0, 0, [
        "................",
        "..........ggg...",
        ".........gGGg...",
        ".........gGg..g.",
        ".........gGgggGg",
        "........gGGGGGg.",
        ".......gGGGggg..",
        "......gGGGg.....",
        ".....gGGGg......",
        "....gGGGg.......",
        "...gGGGg........",
        "..gGGGg.........",
        ".gGGGg..........",
        ".gGGg...........",
        "..gg............",
        "................",
    ])
    return p


def icon_page_settings():
    p = Pic()
    page(p, 2, 1, 11, 14, lines=False)
    # Margin guides and a block of text inside them.
    for j in range(3, 14, 2):
        p.px(4, j, "b")
        p.px(10, j, "b")
    for j in (5, 7, 9, 11):
        p.hline(5, 9, j, "G")
    return p


def nav(first=False, last=False, direction=1):
    p = Pic()
    if direction < 0:
        p.tri(4 if not first else 6, 7, 5, -1, "b")
        p.tri(4 if not first else 6, 8, 5, -1, "b")
        if first:
            p.fill(3, 2, 2, 12, "b")
    else:
        p.tri(11 if not last else 9, 7, 5, 1, "b")
        p.tri(11 if not last else 9, 8, 5, 1, "b")
        if last:
            p.fill(11, 2, 2, 12, "b")
    return p


def icon_outline():
    p = Pic()
    p.box(0, 1, 5, 4, "g", "y")
    p.vline(2, 5, 13, "G")
    p.hline(3, 5, 8, "G")
    p.hline(3, 5, 12, "G")
    p.box(6, 6, 4, 4, "g", "w")
    p.hline(11, 15, 8, "g")
    p.box(6, 10, 4, 4, "g", "w")
    p.hline(11, 15, 12, "g")
    p.hline(7, 14, 3, "g")
    return p


def plus_minus_box(plus):
    p = Pic()
    p.box(2, 2, 12, 12, "g", "w")
    p.hline(5, 10, 7, "k")
    p.hline(5, 10, 8, "k")
    if plus:
        p.vline(7, 5, 10, "k")
        p.vline(8, 5, 10, "k")
    return p


def zoom(plus):
    p = Pic()
    p.disc(6.5, 6.5, 5.2, "d", "w")
    p.fill(4, 6, 6, 2, "b")
    if plus:
        p.fill(6, 4, 2, 6, "b")
    for k in range(4):
        p.px(11 + k, 11 + k, "k")
        p.px(12 + k, 11 + k, "k")
        p.px(11 + k, 12 + k, "k")
    return p


def icon_edit():
    p = Pic()
    page(p, 1, 1, 10, 14)
    p.art(5, 2, [
        "........kk.",
        ".......kRRk",
        "......koRk.",
        ".....kyok..",
        "....kyyk...",
        "...kyyk....",
        "..kyyk.....",
        ".klyk......",
        ".kdk.......",
        ".kk........",
    ])
    return p


def icon_full_screen():
    p = Pic()
    p.box(0, 1, 16, 14, "g", "l")
    p.box(2, 3, 12, 10, "G", "w")
    for (x, y, dx, dy) in ((3, 4, 1, 1), (12, 4, -1, 1), (3, 11, 1, -1), (12, 11, -1, -1)):
        p.px(x, y, "b")
        p.px(x + dx, y, "b")
        p.px(x + 2 * dx, y, "b")
        p.px(x, y + dy, "b")
        p.px(x, y + 2 * dy, "b")
        p.px(x + dx, y + dy, "b")
        p.px(x + 2 * dx, y + 2 * dy, "b")
    return p


def icon_email():
    p = Pic()
    p.box(0, 3, 16, 11, "g", "w")
    p.line(1, 4, 7, 9, "g")
    p.line(14, 4, 8, 9, "g")
    p.line(1, 12, 5, 8, "G")
    p.line(14, 12, 10, 8, "G")
    return p


def icon_pdf():
    p = Pic()
    page(p, 3, 0, 11, 15, lines=False)
    p.fill(0, 8, 13, 6, "r")
    # "PDF" in 3 x 4 letters, white on red.
    p.art(1, 9, [
        "ww.ww..www",
        "w.ww.w.w..",
        "ww.w.w.ww.",
        "w..ww..w..",
    ])
    return p


def blank():
    return Pic()


PICTURES = {
    0: icon_open,
    1: icon_save,
    2: icon_print,
    3: icon_export,
    4: icon_find,
    5: icon_thumbnails,
    6: icon_tools,
    7: icon_page_settings,
    8: lambda: nav(first=True, direction=-1),
    9: lambda: nav(direction=-1),
    10: lambda: nav(direction=1),
    11: lambda: nav(last=True, direction=1),
    12: icon_outline,
    13: lambda: plus_minus_box(False),
    14: lambda: plus_minus_box(True),
    15: lambda: zoom(True),
    16: lambda: zoom(False),
    21: icon_edit,
    22: icon_full_screen,
    23: icon_email,
    24: icon_pdf,
}


def strip():
    pics = [PICTURES.get(i, blank)() for i in range(COUNT)]
    width = S * COUNT
    rows = []
    for y in range(S):
        row = []
        for i, pic in enumerate(pics):
            for x in range(S):
                row.append(pic.p[y][x] or KEY)
        rows.append(row)
    return width, rows


def bmp(width, rows):
    stride = (width * 3 + 3) & ~3
    body = io.BytesIO()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for (r, g, b) in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        body.write(line)
    data = body.getvalue()
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, width, len(rows), 1, 24, 0, len(data), 3780, 3780, 0, 0)
    return header + info + data


def ppm(width, rows, scale):
    out = bytearray(b"P6 %d %d 255\n" % (width * scale, len(rows) * scale))
    for row in rows:
        line = bytearray()
        for c in row:
            c = (236, 233, 216) if c == KEY else c
            line += bytes(c) * scale
        out += bytes(line) * scale
    return bytes(out)


def main():
    width, rows = strip()
    if len(sys.argv) == 3 and sys.argv[1] == "--preview":
        with open(sys.argv[2], "wb") as f:
            f.write(ppm(width, rows, 6))
        return
    raw = bmp(width, rows)
    buf = io.BytesIO()
    with gzip.GzipFile(filename="", mode="wb", fileobj=buf, mtime=0, compresslevel=9) as z:
        z.write(raw)
    with open("src/resources/PreviewButtons.bmp.gz", "wb") as f:
        f.write(buf.getvalue())


if __name__ == "__main__":
    main()
