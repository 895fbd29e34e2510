// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Number texts <-> values: the parser that judges every operand text and the
// two formats that write every result and sign change (both with the
// separators they are given).
//
// All arithmetic here is done in the 80-bit extended format (core/extended.h),
// each single operation rounded to nearest, ties to even, at the full 64-bit
// significand. The last digits of many texts depend on those rounding steps:
// 12345678901234.56 is shown as 12,345,678,901,234.56060, not ...56050.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/extended.h"
#include "core/integer_text.h"
#include "core/separators.h"

namespace numira {

// A value beyond the double range was rounded to double.
// what() is "浮動小数点数のオーバーフロー".
class FloatOverflowError : public std::runtime_error {
 public:
  FloatOverflowError();
};

// Parses a number text into an extended value. Only separators.decimal is
// read; the thousands separator is never accepted.
// Form: blanks (' ' only), optional '+'/'-', digits with at most one decimal
// separator (at least one of the two present), optional exponent 'E'/'e' with
// an optional sign and at most the value 4999 (digits may be missing), blanks.
//   "12", " 12 ", "+12", "007" -> 12      "5." -> 5     ".5" -> 0.5
//   "." -> 0      "-." -> -0    ".E5" -> 0    "1e" "1e+" "1e-" -> 1
//   "1e400" -> 1e400 (beyond double, but a valid extended)
//   with decimal ',': "1,5" -> 1.5 and "1.5" is rejected
// Throws ConversionError for everything else ("", "-", "1,234", "1.2.3",
// "\t12", "E5", "1e5000") and for values beyond the extended range ("1e4999").
// The range is judged by the flags the arithmetic returns: no floating-point
// state of the program is read or changed.
Extended ParseNumberText(std::string_view text, Separators separators);

// Rounds an extended value to double, to nearest with ties to even.
// Throws FloatOverflowError when a finite value rounds beyond the largest
// double (1e400 -> throws; 1e-400 -> 0 silently; infinities and NaN pass).
double RoundToDouble(Extended value);

// x * 10^k by the three exact power-of-ten tables: one multiplication (k > 0)
// or division (k < 0) per table, each rounded to extended. |k| >= 5120 gives
// 0 for negative k and infinity for positive k.
Extended ScalePow10(Extended x, int k);

// What a DecimalRecord stands for.
enum class DecimalKind { Finite, Infinite, NaN };

// The decimal form of a value: 0.d1d2d3... x 10^Exponent. An infinity has
// the Exponent kInfinity and a NaN kNaN, values no finite extended reaches
// (those stay within about +-4933); test Kind() rather than the numbers.
struct DecimalRecord {
  static constexpr std::int16_t kInfinity = 32767;
  static constexpr std::int16_t kNaN = -32768;
  std::int16_t Exponent = 0;  // kInfinity / kNaN mark those values
  bool Negative = false;      // false for zero, NaN, and values rounded away
  std::string Digits;         // up to 18 digits, no trailing zero, never a leading zero

  DecimalKind Kind() const {
    if (Exponent == kInfinity) return DecimalKind::Infinite;
    return Exponent == kNaN ? DecimalKind::NaN : DecimalKind::Finite;
  }
};

// The value reduced to 18 significant digits (two extended roundings), then
// rounded half away from zero on that digit string to `precision` (2..18)
// significant digits and at most `decimals` digits after the point (9999 for
// unlimited).
//   (1234.5, 18, 5)   -> {4, false, "12345"}
//   (0.000005, 18, 5) -> {-4, false, "1"}       rounded up past the first digit
//   (0.000004, 18, 5) -> {-5, false, ""}        rounded away, never negative
//   (1/3, 15, 9999)   -> {0, false, "333333333333333"}
// Never fails; zeros and extended denormals give {0, false, ""}.
DecimalRecord DecimalDigits(Extended value, int precision, int decimals);

// The result format ",0.00000": grouping with separators.thousands, exactly
// five decimals after separators.decimal.
//   1234.5 -> "1,234.50000" (with ',' and '.': "1.234,50000")     -0.0 -> "0.00000"    -0.000004 -> "0.00000"
//   0.000015 -> "0.00002"       12345678901234.56 -> "12,345,678,901,234.56060"
// Values whose 18-digit form reaches 10^18, infinities and NaN use the general
// format: 1e18 -> "1E18", 1.5e20 -> "1.5E20". Never fails.
std::string FormatResultText(Extended value, Separators separators);

// The general format: at most 15 significant digits, no grouping, no
// trailing zeros, separators.decimal as the point; scientific form below 1e-4
// and from 1e15 up.
//   -12.5 -> "-12.5"   -0.0 -> "0"   1.0/3 -> "0.333333333333333"
//   0.00001 -> "1E-5"  1e15 -> "1E15"  inf -> "INF"  -inf -> "-INF"  NaN -> "NAN"
// Never fails.
std::string FormatGeneralText(Extended value, Separators separators);

}  // namespace numira
