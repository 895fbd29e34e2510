// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// 32-bit signed integer texts, as the settings file writes and reads them,
// and the conversion error that number texts share.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace numira {

// A text that is not a number. what() is the message shown to the user:
// "'%s' は浮動小数点数ではありません" for number texts,
// "'%s' は整数ではありません" for integer texts.
class ConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Decimal digits, '-' before a negative number: 0 -> "0", -42 -> "-42".
std::string FormatIntegerText(std::int32_t n);

// Reads a decimal ("  42", "+7", "-2147483648") or hexadecimal ("$1F",
// "x10", "0x1f"; no sign; "$FFFFFFFF" -> -1) integer text.
// Throws ConversionError "'%s' は整数ではありません" for anything else
// ("", "42 ", "-$10", "2147483648", "$100000000").
std::int32_t ParseIntegerText(std::string_view text);

// As ParseIntegerText, but returns `fallback` instead of throwing.
std::int32_t ParseIntegerTextOr(std::string_view text, std::int32_t fallback);

}  // namespace numira
