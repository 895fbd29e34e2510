#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
"""Writes the application icon's hand-drawn pictures (XPM files, one per size)
as one Windows .ico, an image per picture in the order given, 4 bits per pixel
in the standard 16-colour palette. "None" pixels are transparent. Windows picks
the image of the size it shows (LoadImage at the small-icon size takes the
16 x 16 one), so no size is a reduction of another.

usage: xpm_to_ico.py numira.ico PICTURE.xpm...
"""
import re
import struct
import sys

PALETTE = [0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
           0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF]


def read_xpm(path):
    strings = re.findall(r'"([^"]*)"', open(path, encoding="utf-8").read())
    width, height, colours, _ = map(int, strings[0].split())
    palette = {}
    for line in strings[1:1 + colours]:
        value = line.split(" c ")[1].strip()
        palette[line[0]] = None if value == "None" else PALETTE.index(int(value[1:], 16))
    return [[palette[ch] for ch in row] for row in strings[1 + colours:1 + colours + height]]


def icon_image(rows):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0, 0, 0, 0, 16, 0)
    colours = b"".join(struct.pack("<BBBB", c & 0xFF, (c >> 8) & 0xFF, c >> 16, 0) for c in PALETTE)
    pixels = bytearray()
    mask = bytearray()
    stride4 = (size * 4 + 31) // 32 * 4
    stride1 = (size + 31) // 32 * 4
    for row in reversed(rows):  # bottom-up
        line = bytearray(stride4)
        bits = bytearray(stride1)
        for x, index in enumerate(row):
            if index is None:
                bits[x // 8] |= 0x80 >> (x % 8)
                index = 0
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        pixels += line
        mask += bits
    return header + colours + bytes(pixels) + bytes(mask)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    images = [read_xpm(path) for path in sys.argv[2:]]
    data = [icon_image(r) for r in images]
    out = struct.pack("<HHH", 0, 1, len(data))
    offset = 6 + 16 * len(data)
    for rows_of, blob in zip(images, data):
        size = len(rows_of)
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    with open(sys.argv[1], "wb") as f:
        f.write(out + b"".join(data))


if __name__ == "__main__":
    main()
