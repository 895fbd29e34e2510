// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// 32-bit integer texts, as the settings file writes and reads them.

#include "core/integer_text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace numira {
namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Hexadecimal digits up to the end; at most eight significant digits, since
// the value read so far may not exceed $FFFFFFF before another digit.
std::optional<std::int32_t> ReadHex(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : digits) {
    int d = HexDigitValue(c);
    if (d < 0 || value > 0xFFFFFFFu) return std::nullopt;
    value = value * 16 + static_cast<std::uint32_t>(d);
  }
  // $80000000..$FFFFFFFF are the negative numbers with the same bit pattern.
  return static_cast<std::int32_t>(value);
}

// Decimal digits up to the end, with the sign already taken off.
std::optional<std::int32_t> ReadDecimal(std::string_view digits, bool negative) {
  if (digits.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9' || value > 214748364) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> ReadInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  std::string_view rest = text.substr(i);
  if (rest.empty()) return std::nullopt;
  if (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X') return ReadHex(rest.substr(1));
  if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    return ReadHex(rest.substr(2));
  }
  bool negative = false;
  if (rest[0] == '+' || rest[0] == '-') {
    negative = rest[0] == '-';
    rest.remove_prefix(1);
  }
  return ReadDecimal(rest, negative);
}

}  // namespace

std::string FormatIntegerText(std::int32_t n) { return std::to_string(n); }

std::int32_t ParseIntegerText(std::string_view text) {
  if (auto value = ReadInteger(text)) return *value;
  throw ConversionError("'" + std::string(text) + "' は整数ではありません");
}

std::int32_t ParseIntegerTextOr(std::string_view text, std::int32_t fallback) {
  return ReadInteger(text).value_or(fallback);
}

}  // namespace numira
