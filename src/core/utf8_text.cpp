// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// One UTF-8 character at a time, strictly: no overlong forms, so no byte
// sequence other than "7" itself reads as the digit 7.

#include "core/utf8_text.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace numira {

std::optional<char32_t> DecodeUtf8Character(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = 0;
  char32_t smallest = 0;  // the least value a sequence of this length may carry
  if (lead < 0x80) {
    ++pos;
    return lead;
  } else if (lead >= 0xC2 && lead < 0xE0) {
    length = 2;
    smallest = 0x80;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    length = 3;
    smallest = 0x800;
  } else if (lead >= 0xF0 && lead < 0xF5) {
    length = 4;
    smallest = 0x10000;
  }
  if (length == 0 || text.size() - pos < length) {
    ++pos;
    return std::nullopt;
  }
  char32_t ch = lead & (0x7Fu >> length);
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return std::nullopt;
    }
    ch = (ch << 6) | (next & 0x3Fu);
  }
  if (ch < smallest || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) {
    ++pos;
    return std::nullopt;
  }
  pos += length;
  return ch;
}

}  // namespace numira
