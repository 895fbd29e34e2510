#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
"""The colours a window shows, read from its image as `xwd -silent -id WINDOW`
writes it (standard input): one "#rrggbb" a line, the top-left pixel's colour
first, then the others sorted. Only true-colour images (24 or 32 bits per
pixel, the X server's depth-24 visuals) are read.
"""
import struct
import sys

data = sys.stdin.buffer.read()
(header_size, _version, _format, _depth, width, height, _xoffset, byte_order, _unit, _bit_order, _pad,
 bits_per_pixel, bytes_per_line, _class, red_mask, green_mask, blue_mask, _bits_per_rgb, _entries,
 ncolors) = struct.unpack(">20I", data[:80])
if bits_per_pixel not in (24, 32):
    sys.exit(f"window_colours.py: {bits_per_pixel} bits per pixel is not true colour")
pixels = header_size + 12 * ncolors
step = bits_per_pixel // 8
order = "little" if byte_order == 0 else "big"


def channel(value, mask):
    shift = (mask & -mask).bit_length() - 1
    return (value & mask) >> shift


colours = []
for y in range(height):
    row = pixels + y * bytes_per_line
    for x in range(width):
        value = int.from_bytes(data[row + x * step:row + (x + 1) * step], order)
        colours.append("#%02x%02x%02x" % (channel(value, red_mask), channel(value, green_mask), channel(value, blue_mask)))
print(colours[0])
print("\n".join(sorted(set(colours) - {colours[0]})))
