#!/usr/bin/env python3
"""Draws the two icons of the Windows program and writes them as .ico files (standard library only).

quendrix.ico (resource 101): a sheet of NC program cut in two by a dashed line, with a tool path
drawn across it. program_info.ico (resource 102): a blue disc with a white "i".
Each file holds a 16x16 and a 32x32 image, 32-bit BGRA with an AND mask.
Run from this folder: python3 make_icons.py
"""
import struct

TRANSPARENT = (0, 0, 0, 0)


def blank(size):
    return [[TRANSPARENT for _ in range(size)] for _ in range(size)]


def rect(img, x0, y0, x1, y1, colour):
    for y in range(max(0, y0), min(len(img), y1)):
        for x in range(max(0, x0), min(len(img), x1)):
            img[y][x] = colour


def line(img, x0, y0, x1, y1, colour, width=1):
    steps = max(abs(x1 - x0), abs(y1 - y0), 1)
    for i in range(steps + 1):
        x = x0 + (x1 - x0) * i / steps
        y = y0 + (y1 - y0) * i / steps
        rect(img, int(round(x)), int(round(y)), int(round(x)) + width, int(round(y)) + width, colour)


def disc(img, cx, cy, r, colour):
    for y in range(len(img)):
        for x in range(len(img)):
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                img[y][x] = colour


def program_icon(size):
    s = size / 32.0
    img = blank(size)
    border = (40, 60, 90, 255)
    paper = (250, 250, 245, 255)
    path = (30, 110, 200, 255)
    cut = (220, 60, 40, 255)
    # The sheet, with a dark outline.
    rect(img, int(5 * s), int(2 * s), int(27 * s), int(30 * s), border)
    rect(img, int(6 * s), int(3 * s), int(26 * s), int(29 * s), paper)
    # A zigzag tool path over the sheet.
    w = max(1, int(2 * s))
    pts = [(8, 7), (24, 7), (8, 12), (24, 12), (8, 20), (24, 20), (8, 25), (24, 25)]
    for (a, b), (c, d) in zip(pts, pts[1:]):
        line(img, int(a * s), int(b * s), int(c * s), int(d * s), path, w if size > 16 else 1)
    # The split: a dashed red line across the middle.
    for x in range(int(3 * s), int(29 * s), max(2, int(4 * s))):
        rect(img, x, int(15 * s), x + max(1, int(2 * s)), int(15 * s) + max(1, int(2 * s)), cut)
    return img


def info_icon(size):
    s = size / 32.0
    img = blank(size)
    disc(img, 16 * s, 16 * s, 15 * s, (20, 70, 160, 255))
    disc(img, 16 * s, 16 * s, 13.5 * s, (40, 110, 210, 255))
    white = (255, 255, 255, 255)
    disc(img, 16 * s, 9 * s, 2.2 * s, white)
    rect(img, int(14 * s), int(13 * s), int(18 * s) + (1 if size <= 16 else 0), int(25 * s), white)
    return img


def bitmap(img):
    size = len(img)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(img):  # bottom-up rows
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(img):
        bits = bytearray(mask_row)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def write_ico(name, images):
    data = [bitmap(img) for img in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for img, blob in zip(images, data):
        size = len(img)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    with open(name, "wb") as f:
        f.write(out + b"".join(data))


if __name__ == "__main__":
    write_ico("quendrix.ico", [program_icon(16), program_icon(32)])
    write_ico("program_info.ico", [info_icon(16), info_icon(32)])
