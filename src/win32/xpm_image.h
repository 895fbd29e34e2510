// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The glyphs and the icon are XPM texts (src/app/resources/*.xpm), shared
// with the Qt build. This reads the simple form they use (one character per
// pixel, colours as "#RRGGBB" or "None") into pixels.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace numira::win32 {

struct XpmImage {
  int width = 0;
  int height = 0;
  // 0xRRGGBB per pixel, row by row from the top; nullopt for "None".
  std::vector<std::optional<std::uint32_t>> pixels;

  std::optional<std::uint32_t> At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y * width + x)];
  }
};

// The image of an XPM text's strings (header, colours, rows). A text that is
// not of that form gives an empty image.
XpmImage ParseXpm(std::span<const char* const> lines);

// The two glyphs of the keypad table, by their XPM file name
// ("glyph_minimize.xpm", "glyph_readme.xpm"); an empty image for another name.
XpmImage GlyphImage(const char* file_name);

}  // namespace numira::win32
