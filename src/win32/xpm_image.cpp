// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "win32/xpm_image.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string_view>

namespace numira::win32 {
namespace {

// The XPM files are C arrays; they are compiled in here, so the exe carries
// the same pixel data as the Linux build's resources.
#include "app/resources/glyph_minimize.xpm"
#include "app/resources/glyph_readme.xpm"

}  // namespace

XpmImage ParseXpm(std::span<const char* const> lines) {
  XpmImage image;
  int width = 0, height = 0, colours = 0, per_pixel = 0;
  if (lines.empty() || std::sscanf(lines[0], "%d %d %d %d", &width, &height, &colours, &per_pixel) != 4 ||
      per_pixel != 1 || width <= 0 || height <= 0 || lines.size() != static_cast<std::size_t>(1 + colours + height)) {
    return image;
  }
  std::map<char, std::optional<std::uint32_t>> palette;
  for (int i = 1; i <= colours; ++i) {
    const std::string_view line = lines[static_cast<std::size_t>(i)];
    const auto at = line.find(" c ");
    if (line.empty() || at == std::string_view::npos) return image;
    const std::string_view value = line.substr(at + 3);
    std::optional<std::uint32_t> colour;
    if (value.size() == 7 && value[0] == '#') {
      unsigned rgb = 0;
      if (std::sscanf(value.data() + 1, "%6x", &rgb) != 1) return image;
      colour = rgb;
    }
    palette[line[0]] = colour;
  }
  image.pixels.reserve(static_cast<std::size_t>(width * height));
  for (int y = 0; y < height; ++y) {
    const std::string_view row = lines[static_cast<std::size_t>(1 + colours + y)];
    if (row.size() != static_cast<std::size_t>(width)) return XpmImage{};
    for (const char ch : row) {
      const auto found = palette.find(ch);
      if (found == palette.end()) return XpmImage{};
      image.pixels.push_back(found->second);
    }
  }
  image.width = width;
  image.height = height;
  return image;
}

XpmImage GlyphImage(const char* file_name) {
  if (file_name == nullptr) return {};
  if (std::strcmp(file_name, "glyph_minimize.xpm") == 0) return ParseXpm(glyph_minimize);
  if (std::strcmp(file_name, "glyph_readme.xpm") == 0) return ParseXpm(glyph_readme);
  return {};
}

}  // namespace numira::win32
