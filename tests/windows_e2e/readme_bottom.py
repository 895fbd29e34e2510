#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
"""Reads the bottom of the readme window's text field in a screenshot.

  readme_bottom.py SHOT.xwd LEFT TOP WIDTH HEIGHT

SHOT is `xwd -root` output (TrueColor); LEFT TOP WIDTH HEIGHT the window's
client area on the screen. Prints "TEXT_Y BAR": TEXT_Y, the middle of the
lowest row of text, and BAR, the height from the top edge of the horizontal
scroll bar below it (a row of one colour other than the text's white
background, across the text) to the client area's bottom, both in client
pixels. Exits 1 when either is not there.
"""
import struct
import sys

WHITE = (255, 255, 255)


def main(path, left, top, width, height):
    data = open(path, 'rb').read()
    header = struct.unpack('>25I', data[:100])
    header_size, byte_order, bits_per_pixel, bytes_per_line = header[0], header[7], header[11], header[12]
    pixels = header_size + header[19] * 12  # after the colour map
    step = bits_per_pixel // 8

    def colour(x, y):
        at = pixels + y * bytes_per_line + x * step
        value = int.from_bytes(data[at:at + step], 'big' if byte_order else 'little')
        return (value >> 16) & 255, (value >> 8) & 255, value & 255

    # The text area: clear of the borders and of the vertical scroll bar.
    xs = range(left + 4, left + width * 9 // 10, 3)
    bottom = top + height
    def ruled(y):
        # Nine in ten pixels of one colour that is not the text's background.
        row = [colour(x, y) for x in xs]
        common = max(set(row), key=row.count)
        return common != WHITE and row.count(common) * 10 >= len(row) * 9

    # The bar's top edge: the lowest such row well above the text field's own
    # lower border.
    edge = next((y for y in range(bottom - 12, top, -1) if ruled(y)), None)
    if edge is None:
        sys.exit('no horizontal scroll bar above the bottom of the client area')
    dark = [y for y in range(edge - 1, top, -1) if any(max(colour(x, y)) < 100 for x in xs)]
    if not dark:
        sys.exit('no text above the scroll bar')
    # The lowest line's rows: dark rows from the lowest one up to the first
    # gap of more than a few rows.
    text_bottom = text_top = dark[0]
    for y in dark[1:]:
        if text_top - y > 4:
            break
        text_top = y
    print((text_top + text_bottom) // 2 - top, bottom - edge)


if __name__ == '__main__':
    main(sys.argv[1], *(int(a) for a in sys.argv[2:6]))
