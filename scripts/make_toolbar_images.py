#!/usr/bin/env python3
"""Draws the main window's toolbar images and the program icon.

Each picture is described on a 16-unit grid and drawn afresh at every size
the program uses (16, 20, 24, 32 and 40 pixels: 100 to 250 % scaling), so a
large picture has fine edges rather than blown-up pixels. The strips are
24-bit BMPs (img_record_N.bmp, img_other_N.bmp) in which silver (C0C0C0)
shows as transparent; the icon holds the same sizes and 48 pixels.
Run it after changing a picture; the files are kept in the repository:
    scripts/make_toolbar_images.py recorder/resources
"""
import math
import struct
import sys

SILVER = (192, 192, 192)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREY = (128, 128, 128)
RED = (200, 30, 30)
GREEN = (20, 140, 40)
BLUE = (30, 70, 190)
NAVY = (0, 20, 100)
YELLOW = (240, 200, 40)
ORANGE = (230, 120, 20)
TEAL = (0, 128, 128)
BROWN = (140, 80, 30)


SIZES = (16, 20, 24, 32, 40)
# The size every picture is drawn at: set by draw_all for each pass.
SIZE = 16


class Img:
    """A picture of SIZE pixels drawn in units of a 16-unit grid."""

    def __init__(self):
        self.n = SIZE
        self.s = SIZE / 16
        self.t = max(1, round(self.s))  # the width of a one-unit line
        self.px = [[SILVER] * self.n for _ in range(self.n)]

    def dot(self, x, y, c):
        if 0 <= x < self.n and 0 <= y < self.n:
            self.px[y][x] = c

    def span(self, u0, u1):
        """The pixels covered by the units u0..u1 (inclusive)."""
        return range(math.floor(u0 * self.s), max(math.floor(u0 * self.s) + 1, math.floor((u1 + 1) * self.s)))

    def set(self, x, y, c):
        for py in self.span(y, y):
            for px in self.span(x, x):
                self.dot(px, py, c)

    def rect(self, x0, y0, x1, y1, fill=None, line=None):
        xs, ys = self.span(x0, x1), self.span(y0, y1)
        for y in ys:
            for x in xs:
                edge = x - xs[0] < self.t or xs[-1] - x < self.t or y - ys[0] < self.t or ys[-1] - y < self.t
                if edge and line:
                    self.dot(x, y, line)
                elif fill:
                    self.dot(x, y, fill)

    def disc(self, cx, cy, r, fill, line=None):
        for y in range(self.n):
            for x in range(self.n):
                d = math.hypot((x + 0.5) / self.s - cx, (y + 0.5) / self.s - cy)
                if d <= r:
                    self.dot(x, y, line if line and d > r - 1 else fill)

    def line(self, x0, y0, x1, y1, c):
        n = math.ceil(max(abs(x1 - x0), abs(y1 - y0), 1) * self.n)
        for i in range(n + 1):
            x = x0 + (x1 - x0) * i / n + 0.5
            y = y0 + (y1 - y0) * i / n + 0.5
            px, py = math.floor(x * self.s - self.t / 2 + 0.5), math.floor(y * self.s - self.t / 2 + 0.5)
            for dy in range(self.t):
                for dx in range(self.t):
                    self.dot(px + dx, py + dy, c)

    def tri_right(self, x0, y0, h, c):
        """A triangle pointing right: its left edge h units tall at x0."""
        for y in range(self.n):
            for x in range(self.n):
                u, v = (x + 0.5) / self.s - x0, (y + 0.5) / self.s - y0
                if 0 <= v <= h and 0 <= u <= min(v, h - v) + 0.5:
                    self.dot(x, y, c)


def page():
    i = Img()
    i.rect(3, 1, 12, 14, WHITE, BLACK)
    i.line(10, 1, 12, 3, BLACK)
    for y in (5, 7, 9, 11):
        i.line(5, y, 10, y, GREY)
    return i


def play():
    i = Img()
    i.tri_right(4, 2, 13, GREEN)
    return i


def stop():
    i = Img()
    i.rect(3, 3, 12, 12, NAVY, BLACK)
    return i


def record():
    i = Img()
    i.disc(8, 8, 6, RED, (120, 0, 0))
    i.set(6, 5, WHITE)
    return i


def save():
    i = Img()
    i.rect(1, 1, 14, 14, BLUE, BLACK)
    i.rect(4, 2, 11, 7, WHITE, BLACK)
    i.rect(5, 10, 10, 14, GREY, BLACK)
    i.rect(8, 11, 9, 13, BLACK)
    return i


def help_():
    i = Img()
    i.disc(8, 8, 7, BLUE, NAVY)
    for x, y in ((6, 4), (7, 3), (8, 3), (9, 3), (10, 4), (10, 5), (9, 6), (8, 7), (8, 8), (8, 11), (8, 12)):
        i.set(x, y, WHITE)
        i.set(x - 1 if x < 8 else x, y, WHITE) if y in (11, 12) else None
    return i


def mic():
    i = Img()
    i.rect(6, 1, 9, 9, GREY, BLACK)
    i.line(4, 7, 4, 9, BLACK)
    i.line(11, 7, 11, 9, BLACK)
    i.line(5, 10, 10, 10, BLACK)
    i.line(7, 11, 7, 13, BLACK)
    i.line(5, 14, 10, 14, BLACK)
    return i


def speaker():
    i = Img()
    i.rect(2, 6, 4, 10, GREY, BLACK)
    for k in range(5):
        i.line(5 + k, 5 - k, 5 + k, 11 + k, BLACK)
    i.line(12, 5, 13, 8, BLACK)
    i.line(13, 8, 12, 11, BLACK)
    return i


def folder():
    i = Img()
    i.rect(1, 4, 14, 13, YELLOW, BROWN)
    i.rect(1, 2, 6, 4, YELLOW, BROWN)
    return i


def wave():
    i = Img()
    i.rect(0, 2, 15, 13, BLACK)
    y = [7.5 + 4.5 * math.sin(x / 14 * 2 * math.pi * 1.5) - 0.5 for x in range(1, 15)]
    for k in range(len(y) - 1):
        i.line(k + 1, y[k], k + 2, y[k + 1], (0, 230, 0))
    return i


def card():
    i = Img()
    i.rect(1, 4, 14, 11, GREEN, BLACK)
    for x in range(3, 13, 2):
        i.set(x, 12, YELLOW)
        i.set(x, 13, YELLOW)
    i.rect(3, 6, 6, 9, BLACK)
    return i


def gear():
    i = Img()
    i.disc(8, 8, 6, GREY, BLACK)
    i.disc(8, 8, 2.2, SILVER)
    for x, y in ((7, 0), (8, 0), (7, 15), (8, 15), (0, 7), (0, 8), (15, 7), (15, 8)):
        i.set(x, y, BLACK)
    return i


def book():
    i = Img()
    i.rect(2, 2, 13, 14, ORANGE, BROWN)
    i.rect(4, 4, 11, 7, WHITE, BROWN)
    i.line(12, 10, 6, 16, BLACK)
    i.line(13, 10, 7, 16, NAVY)
    return i


def mail():
    i = Img()
    i.rect(1, 4, 14, 12, WHITE, BLACK)
    i.line(1, 4, 8, 9, BLACK)
    i.line(14, 4, 8, 9, BLACK)
    return i


def globe():
    i = Img()
    i.disc(8, 8, 7, (60, 140, 230), NAVY)
    i.rect(4, 5, 7, 8, GREEN)
    i.rect(9, 9, 11, 12, GREEN)
    i.line(8, 1, 8, 15, NAVY)
    i.line(1, 8, 15, 8, NAVY)
    return i


def exit_():
    i = Img()
    i.rect(2, 1, 9, 14, BROWN, BLACK)
    i.set(7, 8, YELLOW)
    i.line(10, 8, 15, 8, RED)
    i.line(13, 6, 15, 8, RED)
    i.line(13, 10, 15, 8, RED)
    return i


def home():
    i = Img()
    for k in range(7):
        i.line(8 - k, 1 + k, 7 + k, 1 + k, RED)
    i.rect(3, 8, 12, 14, WHITE, BLACK)
    i.rect(7, 10, 9, 14, BROWN)
    return i


def compass():
    i = Img()
    i.disc(8, 8, 7, WHITE, NAVY)
    i.line(8, 3, 8, 8, RED)
    i.line(8, 8, 8, 13, BLACK)
    i.line(7, 4, 7, 7, RED)
    return i


def tv():
    i = Img()
    i.rect(1, 3, 14, 12, (40, 40, 60), BLACK)
    i.rect(3, 5, 12, 10, (90, 170, 230))
    i.line(5, 0, 7, 3, BLACK)
    i.line(10, 0, 8, 3, BLACK)
    i.line(4, 13, 11, 13, BLACK)
    return i


def star():
    i = Img()
    pts = []
    for k in range(10):
        r = 7 if k % 2 == 0 else 3
        a = -math.pi / 2 + k * math.pi / 5
        pts.append((8 + r * math.cos(a), 8.5 + r * math.sin(a)))
    for y in range(i.n):
        for x in range(i.n):
            px, py = (x + 0.5) / i.s, (y + 0.5) / i.s
            inside = False
            for j in range(10):
                (x0, y0), (x1, y1) = pts[j], pts[(j + 1) % 10]
                if (y0 > py) != (y1 > py) and px < x0 + (py - y0) * (x1 - x0) / (y1 - y0):
                    inside = not inside
            if inside:
                i.dot(x, y, YELLOW)
    return i


def flag():
    i = Img()
    i.line(3, 1, 3, 15, BLACK)
    i.rect(4, 2, 13, 8, TEAL)
    return i


def program_icon():
    """The program's own picture: a microphone before a red recording dot."""
    i = Img()
    i.disc(10.5, 10.5, 5, RED, (120, 0, 0))
    i.rect(3, 1, 7, 9, GREY, BLACK)
    i.line(2, 7, 2, 10, BLACK)
    i.line(8, 7, 8, 10, BLACK)
    i.line(2, 11, 8, 11, BLACK)
    i.line(5, 12, 5, 14, BLACK)
    i.line(3, 15, 7, 15, BLACK)
    return i


def write_strip(images, path):
    n = images[0].n
    w, h = n * len(images), n
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for img in images:
            for x in range(n):
                r, g, b = img.px[y][x]
                row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 3780, 3780, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def icon_entry(img):
    """One 32-bit image of an icon file: colour rows bottom up, then the mask."""
    n = img.n
    pixels = bytearray()
    for y in range(n - 1, -1, -1):
        for x in range(n):
            c = img.px[y][x]
            pixels += bytes((c[2], c[1], c[0], 0 if c == SILVER else 255))
    mask_stride = ((n + 31) // 32) * 4
    mask = bytearray()
    for y in range(n - 1, -1, -1):
        row = bytearray(mask_stride)
        for x in range(n):
            if img.px[y][x] == SILVER:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + mask


def write_icon(images, path):
    entries = [icon_entry(img) for img in images]
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for img, e in zip(images, entries):
        out += struct.pack("<BBBBHHII", img.n % 256, img.n % 256, 0, 0, 1, 32, len(e), offset)
        offset += len(e)
    with open(path, "wb") as f:
        f.write(out + b"".join(entries))


def main():
    global SIZE
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    icons = []
    for SIZE in SIZES + (48,):
        icons.append(program_icon())
        if SIZE not in SIZES:
            continue
        # Record toolbar: 1 new, 2 play, 3 stop, 4 record, 5 save, 6 help,
        # 13 guest book, 15 update, 16 exit; the rest are spares of the set.
        record_set = [page(), play(), stop(), record(), save(), help_(), mic(), speaker(), folder(), wave(), card(),
                      gear(), book(), mail(), globe(), exit_()]
        other_set = [home(), compass(), tv(), gear(), star(), globe(), mail(), book(), flag()]
        write_strip(record_set, f"{out}/img_record_{SIZE}.bmp")
        write_strip(other_set, f"{out}/img_other_{SIZE}.bmp")
    write_icon(icons, f"{out}/orvorecord.ico")


if __name__ == "__main__":
    main()
