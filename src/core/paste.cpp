// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// A clipboard text read as one number: the figure as it is written in
// spreadsheets and on invoices, down to the digits and the point that the
// keys would type.

#include "core/paste.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/utf8_text.h"

namespace numira {
namespace {

// No character has this value: stands for a separator byte that is no
// character of its own (above 0x7F), which no pasted character matches.
constexpr char32_t kNoCharacter = 0x110000;

char32_t SeparatorCharacter(char separator) {
  const auto byte = static_cast<unsigned char>(separator);
  return byte < 0x80 ? byte : kNoCharacter;
}

bool IsBlank(char32_t c) {
  return c == U' ' || c == U'\t' || c == U'\r' || c == U'\n' || c == U'\u00A0' || c == U'\u3000';
}

// Minus signs, and the triangles with which Japanese accounts mark negatives.
bool IsMinus(char32_t c) {
  return c == U'-' || c == U'\u2212' || c == U'\uFF0D' || c == U'\u25B3' || c == U'\u25B2';
}

bool IsCurrencySign(char32_t c) {
  return c == U'\u00A5' || c == U'\uFFE5' || c == U'$' || c == U'\u20AC' || c == U'\u00A3';
}

constexpr char32_t kYenAfter = U'\u5186';  // 円

// The digit of an ASCII or full-width digit character, or nothing.
std::optional<char> Digit(char32_t c) {
  if (c >= U'0' && c <= U'9') return static_cast<char>(c);
  if (c >= U'\uFF10' && c <= U'\uFF19') return static_cast<char>('0' + (c - U'\uFF10'));
  return std::nullopt;
}

bool IsDecimalPoint(char32_t c, Separators separators) {
  return c == U'\uFF0E' || c == SeparatorCharacter(separators.decimal);
}

// The decimal separator in force is never a grouping mark: under the decimal
// comma "," is the point.
bool IsGroupingMark(char32_t c, Separators separators) {
  if (IsDecimalPoint(c, separators)) return false;
  return c == SeparatorCharacter(separators.thousands) || c == U',' || c == U'\uFF0C' || c == U'\'' ||
         c == U' ' || c == U'\u00A0' || c == U'\u2009' || c == U'\u202F';
}

}  // namespace

std::optional<PastedNumber> ReadPastedNumber(std::string_view text, Separators separators) {
  // A character takes at most four bytes, so a longer text is too long for sure.
  if (text.size() > 4 * kPasteCharacterLimit) return std::nullopt;
  std::u32string characters;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::optional<char32_t> c = DecodeUtf8Character(text, pos);
    if (!c) return std::nullopt;
    characters.push_back(*c);
  }
  if (characters.size() > kPasteCharacterLimit) return std::nullopt;

  std::u32string_view rest = characters;
  while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  while (!rest.empty() && IsBlank(rest.back())) rest.remove_suffix(1);

  PastedNumber number;
  const bool parenthesised = rest.size() >= 2 && rest.front() == U'(' && rest.back() == U')';
  if (parenthesised) {
    rest = rest.substr(1, rest.size() - 2);
    number.negative = true;
  }
  bool has_sign = parenthesised;  // "(-5)" would be two signs
  bool has_currency = false;
  while (!rest.empty()) {
    const char32_t c = rest.front();
    if (!has_sign && (c == U'+' || IsMinus(c))) {
      has_sign = true;
      number.negative = IsMinus(c);
    } else if (!has_currency && IsCurrencySign(c)) {
      has_currency = true;
    } else {
      break;
    }
    rest.remove_prefix(1);
  }
  if (!has_currency && !rest.empty() && rest.back() == kYenAfter) rest.remove_suffix(1);

  // Digits, one point, and grouping marks of one kind between two digits of
  // the integer part: "1,234 567" is two numbers, "1.5 2" too.
  bool has_digit = false;
  bool has_point = false;
  char32_t grouping = kNoCharacter;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const char32_t c = rest[i];
    if (const std::optional<char> digit = Digit(c)) {
      number.entry += *digit;
      has_digit = true;
    } else if (IsDecimalPoint(c, separators)) {
      if (has_point) return std::nullopt;
      has_point = true;
      number.entry += separators.decimal;
    } else if (IsGroupingMark(c, separators) && !has_point && (grouping == kNoCharacter || grouping == c) &&
               i > 0 && Digit(rest[i - 1]) && i + 1 < rest.size() && Digit(rest[i + 1])) {
      grouping = c;
    } else {
      return std::nullopt;
    }
  }
  if (!has_digit) return std::nullopt;
  return number;
}

}  // namespace numira
