#!/usr/bin/env python3
"""Draws the main window's toolbar images as 16 x 16 strips (24-bit BMP).

Silver (C0C0C0) is the mask colour: it shows as transparent on the toolbar.
Run it after changing a picture; the bitmaps are kept in the repository:
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


class Img:
    def __init__(self):
        self.px = [[SILVER] * 16 for _ in range(16)]

    def set(self, x, y, c):
        if 0 <= x < 16 and 0 <= y < 16:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, fill=None, line=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                if edge and line:
                    self.set(x, y, line)
                elif fill:
                    self.set(x, y, fill)

    def disc(self, cx, cy, r, fill, line=None):
        for y in range(16):
            for x in range(16):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if d <= r:
                    self.set(x, y, line if line and d > r - 1 else fill)

    def line(self, x0, y0, x1, y1, c):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            self.set(round(x0 + (x1 - x0) * i / n), round(y0 + (y1 - y0) * i / n), c)

    def tri_right(self, x0, y0, h, c):
        for i in range(h):
            half = min(i, h - 1 - i)
            self.line(x0, y0 + i, x0 + half, y0 + i, c)


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
    for x in range(1, 15):
        i.set(x, round(7.5 + 4.5 * math.sin(x / 14 * 2 * math.pi * 1.5)), (0, 230, 0))
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
    for y in range(16):
        for x in range(16):
            px, py = x + 0.5, y + 0.5
            inside = False
            for j in range(10):
                (x0, y0), (x1, y1) = pts[j], pts[(j + 1) % 10]
                if (y0 > py) != (y1 > py) and px < x0 + (py - y0) * (x1 - x0) / (y1 - y0):
                    inside = not inside
            if inside:
                i.set(x, y, YELLOW)
    return i


def flag():
    i = Img()
    i.line(3, 1, 3, 15, BLACK)
    i.rect(4, 2, 13, 8, TEAL)
    return i


def write_strip(images, path):
    w, h = 16 * len(images), 16
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for img in images:
            for x in range(16):
                r, g, b = img.px[y][x]
                row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 3780, 3780, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    # Record toolbar: 1 new, 2 play, 3 stop, 4 record, 5 save, 6 help,
    # 13 guest book, 15 update, 16 exit; the rest are spares of the set.
    record_set = [page(), play(), stop(), record(), save(), help_(), mic(), speaker(), folder(), wave(), card(),
                  gear(), book(), mail(), globe(), exit_()]
    other_set = [home(), compass(), tv(), gear(), star(), globe(), mail(), book(), flag()]
    write_strip(record_set, f"{out}/img_record.bmp")
    write_strip(other_set, f"{out}/img_other.bmp")


if __name__ == "__main__":
    main()
