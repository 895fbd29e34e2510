// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Pasting a number: the clipboard text, as office users copy figures from
// spreadsheets, invoices and web pages, turned into what the keys would type.
// The front-ends read the clipboard and hand its text to Tape::Paste.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/separators.h"

namespace numira {

// What a pasted number types: its entry text as the digit and point keys
// would type it, then a sign change for a negative number.
struct PastedNumber {
  std::string entry;      // ASCII digits and at most one separators.decimal
  bool negative = false;  // a sign change follows the entry
  bool operator==(const PastedNumber&) const = default;
};

// Texts longer than this many characters are refused unread.
inline constexpr std::size_t kPasteCharacterLimit = 10000;

// Reads a clipboard text (UTF-8) as one number, or refuses it (nothing).
// Accepted, after blanks, tabs and line ends around it (also U+00A0 and the
// ideographic space U+3000) are trimmed:
// - digits "0"-"9" and full-width "０"-"９", at least one;
// - one decimal point: separators.decimal (when it is ASCII) or "．";
// - grouping marks between two digits before the point, one kind per number:
//   separators.thousands, ",", "，", "'", a space, U+00A0, U+2009 (thin space)
//   or U+202F (narrow no-break space); the decimal separator is never one;
// - before the digits, in either order, at most one sign ("+"; "-", "−"
//   U+2212, "－" U+FF0D, "△" or "▲" for a negative number) and at most one
//   currency sign ("¥", "￥", "$", "€", "£"); or "円" after the digits instead
//   of a currency sign before;
// - or the whole in parentheses, without a sign, for a negative number.
// With '.' and ',':
//   "￥１２，３４５" -> {"12345"}          "△1,000" -> {"1000", negative}
//   "(2,500)" -> {"2500", negative}      "  3.5\r\n" -> {"3.5"}
//   "1.5E3", "12 apples", "1,2,3.4.5", "1,234 567", "", "." -> nothing
// With ',' and '.': "1.234,5" -> {"1234,5"}.
// Also refused: a text that is not UTF-8, or of more than
// kPasteCharacterLimit characters.
std::optional<PastedNumber> ReadPastedNumber(std::string_view text, Separators separators);

}  // namespace numira
