// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Reading UTF-8 texts one character at a time: key strings of kelto-tape and
// pasted texts.

#include <cstddef>
#include <optional>
#include <string_view>

namespace numira {

// Decodes the UTF-8 character that starts at `pos` (pos < text.size()) and
// moves `pos` past it. A malformed sequence (a stray continuation byte, a
// sequence cut short, an overlong form, a surrogate, a value above U+10FFFF)
// gives nothing and moves `pos` on by one byte only.
//   "7" -> U+0037    "\xEF\xBC\x97" (７) -> U+FF17    "\xE0\x80\xB7" -> nothing
std::optional<char32_t> DecodeUtf8Character(std::string_view text, std::size_t& pos);

}  // namespace numira
