#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
"""Whether a window shows a picture pixel for pixel: every opaque pixel of the
XPM picture, at one place in the window's image, with the picture's
transparent pixels free to fall outside the window or on anything. Exits 0
when it does, 1 (naming the closest place) when not.

  xwd -silent -id WINDOW | window_shows.py PICTURE.xpm

Reads the true-colour images (24 or 32 bits per pixel) of a depth-24 X server
and XPM pictures with one character per pixel and "#rrggbb" or "None" colours.
"""
import re
import struct
import sys


def window_image(data):
    (header_size, _version, _format, _depth, width, height, _xoffset, byte_order, _unit, _bit_order, _pad,
     bits_per_pixel, bytes_per_line, _class, red_mask, green_mask, blue_mask, _bits_per_rgb, _entries,
     ncolors) = struct.unpack(">20I", data[:80])
    if bits_per_pixel not in (24, 32):
        sys.exit(f"window_shows.py: {bits_per_pixel} bits per pixel is not true colour")
    start, step = header_size + 12 * ncolors, bits_per_pixel // 8
    order = "little" if byte_order == 0 else "big"

    def rgb(value):
        return tuple((value & mask) >> ((mask & -mask).bit_length() - 1) for mask in (red_mask, green_mask, blue_mask))

    return [[rgb(int.from_bytes(data[start + y * bytes_per_line + x * step:][:step], order)) for x in range(width)]
            for y in range(height)]


def xpm_picture(path):
    strings = re.findall(r'"([^"]*)"', open(path, encoding="utf-8").read())
    width, height, ncolors, _ = map(int, strings[0].split())
    colours = {}
    for line in strings[1:1 + ncolors]:
        value = line[1:].split()[-1]
        colours[line[0]] = None if value == "None" else tuple(int(value[i:i + 2], 16) for i in (1, 3, 5))
    return [(x, y, colours[ch]) for y, row in enumerate(strings[1 + ncolors:1 + ncolors + height])
            for x, ch in enumerate(row[:width]) if colours[ch] is not None]


image = window_image(sys.stdin.buffer.read())
opaque = xpm_picture(sys.argv[1])
height, width = len(image), len(image[0])
best = (-1, None)
for top in range(-height, height):
    for left in range(-width, width):
        matching = sum(1 for x, y, colour in opaque
                       if 0 <= left + x < width and 0 <= top + y < height and image[top + y][left + x] == colour)
        best = max(best, (matching, (left, top)))
if best[0] == len(opaque):
    sys.exit(0)
print(f"window_shows.py: the window does not show {sys.argv[1]}; at best {best[0]} of its {len(opaque)} "
      f"opaque pixels match, with its corner at {best[1]}", file=sys.stderr)
sys.exit(1)
