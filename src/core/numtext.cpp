// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Number texts <-> extended values: parser, scaling, decimal digits and the
// two formats.

#include "core/numtext.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/pow10_tables.h"

namespace numira {
namespace {

constexpr Extended kTen = pow10::kSmall[1];

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// M := M * 10 + d, each of the two operations rounded to extended.
Extended AppendDigit(Extended m, char digit, ExtendedFlags& raised) {
  m = Multiply(m, kTen).Into(raised);
  return Add(m, Extended::FromInt64(digit - '0')).Into(raised);
}

// ScalePow10, adding what its operations signal to `raised`.
Extended Scale(Extended x, int k, ExtendedFlags& raised) {
  if (k == 0) return x;
  const unsigned a = k < 0 ? 0u - static_cast<unsigned>(k) : static_cast<unsigned>(k);
  if (a >= 5120) return k < 0 ? Extended{} : Extended::Infinity();
  const bool multiply = k > 0;
  auto apply = [&](Extended factor) { x = (multiply ? Multiply(x, factor) : Divide(x, factor)).Into(raised); };
  apply(pow10::kSmall[a % 32]);
  if ((a / 32) % 16 != 0) apply(pow10::kMiddle[(a / 32) % 16]);
  if (a / 512 != 0) apply(pow10::kLarge[a / 512]);
  return x;
}

// The syntax and arithmetic of the parser; nullopt for a text of the wrong
// form. What the arithmetic signals is added to `raised`.
std::optional<Extended> ReadNumber(std::string_view text, char decimal, ExtendedFlags& raised) {
  std::size_t i = 0;
  const std::size_t end = text.size();
  while (i < end && text[i] == ' ') ++i;
  bool negative = false;
  if (i < end && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }

  Extended m;
  bool consumed = false;
  for (; i < end && IsDigit(text[i]); ++i) {
    m = AppendDigit(m, text[i], raised);
    consumed = true;
  }
  std::int64_t fraction_digits = 0;
  if (i < end && text[i] == decimal) {
    consumed = true;
    for (++i; i < end && IsDigit(text[i]); ++i) {
      m = AppendDigit(m, text[i], raised);
      ++fraction_digits;
    }
  }
  if (!consumed) return std::nullopt;

  // The exponent reads digits only while its value is below 500, so a fifth
  // significant digit (anything above 4999) is left over and rejected below.
  std::int64_t exponent = 0;
  if (i < end && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    bool exponent_negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
      exponent_negative = text[i] == '-';
      ++i;
    }
    for (; i < end && IsDigit(text[i]) && exponent < 500; ++i) {
      exponent = exponent * 10 + (text[i] - '0');
    }
    if (exponent_negative) exponent = -exponent;
  }
  while (i < end && text[i] == ' ') ++i;
  if (i != end) return std::nullopt;

  // Anything beyond +-5120 scales to zero (or infinity) anyway; clamping keeps
  // a fraction of millions of digits within int.
  std::int64_t scale = exponent - fraction_digits;
  if (scale < -6000) scale = -6000;
  m = Scale(m, static_cast<int>(scale), raised);
  return negative ? -m : m;
}

// The 18 decimal digits of an integer t with 0 <= t < 10^18.
std::string EighteenDigits(Extended t) {
  std::uint64_t n = t.ToUint64();
  std::string s(18, '0');
  for (int i = 17; i >= 0 && n != 0; --i) {
    s[static_cast<std::size_t>(i)] = static_cast<char>('0' + n % 10);
    n /= 10;
  }
  return s;
}

void DropTrailingZeros(std::string& digits) {
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
}

// The first `count` digits of d, padded with '0' when d is shorter.
std::string LeadingDigits(const std::string& d, int count) {
  std::string s = d.substr(0, static_cast<std::size_t>(count));
  s.resize(static_cast<std::size_t>(count), '0');
  return s;
}

}  // namespace

FloatOverflowError::FloatOverflowError() : std::runtime_error("浮動小数点数のオーバーフロー") {}

Extended ParseNumberText(std::string_view text, Separators separators) {
  ExtendedFlags raised;
  const std::optional<Extended> value = ReadNumber(text, separators.decimal, raised);
  if (!value || raised.Has(ExtendedFlags::kInvalid | ExtendedFlags::kOverflow)) {
    throw ConversionError("'" + std::string(text) + "' は浮動小数点数ではありません");
  }
  return *value;
}

double RoundToDouble(Extended value) {
  const WithFlags<double> rounded = value.ToDouble();
  if (rounded.flags.Has(ExtendedFlags::kOverflow)) throw FloatOverflowError();
  return rounded.value;
}

Extended ScalePow10(Extended x, int k) {
  ExtendedFlags ignored;
  return Scale(x, k, ignored);
}

DecimalRecord DecimalDigits(Extended value, int precision, int decimals) {
  DecimalRecord record;
  switch (value.Classify()) {
    case ExtendedClass::Zero:
    case ExtendedClass::Denormal:
      return record;
    case ExtendedClass::Infinity:
      record.Exponent = DecimalRecord::kInfinity;
      record.Negative = value.Negative();
      return record;
    case ExtendedClass::NaN:
      record.Exponent = DecimalRecord::kNaN;
      return record;
    case ExtendedClass::Normal:
      break;
  }

  // 19728 / 65536 is just above log10(2): an estimate of the decimal exponent
  // that is exact or one too large. The shift floors negative products too.
  int exponent = ((value.BinaryExponent() * 19728) >> 16) + 1;

  // Reduce to an 18-digit integer; each step rounds in extended, ties to even.
  Extended t = ScalePow10(value.Abs(), 18 - exponent).RoundToInteger().value;
  if (t >= pow10::kTenTo18) {
    t = (t / kTen).RoundToInteger().value;
    ++exponent;
  }
  if (t < pow10::kSmall[17]) {
    t = t * kTen;
    --exponent;
  }
  const std::string s = EighteenDigits(t);

  int n = exponent + decimals;
  if (n < 0) return record;  // every digit lies beyond the wanted decimals
  if (n > precision) n = precision;

  std::string digits;
  if (n >= 18) {
    digits = s;
  } else if (s[static_cast<std::size_t>(n)] >= '5') {
    // Half away from zero, judged on the 18-digit string alone. A carry past
    // '9' drops that digit, since it would become a trailing zero.
    digits = s.substr(0, static_cast<std::size_t>(n));
    while (!digits.empty() && digits.back() == '9') digits.pop_back();
    if (digits.empty()) {
      digits = "1";
      ++exponent;
    } else {
      ++digits.back();
    }
  } else {
    digits = s.substr(0, static_cast<std::size_t>(n));
  }
  DropTrailingZeros(digits);

  record.Exponent = static_cast<std::int16_t>(exponent);
  record.Negative = !digits.empty() && value.Negative();
  record.Digits = std::move(digits);
  return record;
}

std::string FormatResultText(Extended value, Separators separators) {
  const DecimalRecord r = DecimalDigits(value, 18, 5);
  if (r.Kind() != DecimalKind::Finite || r.Exponent > 18) return FormatGeneralText(value, separators);
  const int e = r.Exponent;
  const std::string& d = r.Digits;
  const char thousands = separators.thousands;

  std::string text;
  if (r.Negative) text += '-';
  if (e > 0) {
    const std::string integer = LeadingDigits(d, e);
    for (int i = 0; i < e; ++i) {
      text += integer[static_cast<std::size_t>(i)];
      const int place = e - i;  // units are place 1
      if (place > 1 && place % 3 == 1) text += thousands;
    }
  } else {
    text += '0';
  }
  text += separators.decimal;

  std::string fraction;
  if (e >= 0) {
    if (d.size() > static_cast<std::size_t>(e)) fraction = d.substr(static_cast<std::size_t>(e));
  } else {
    fraction = std::string(static_cast<std::size_t>(-e), '0') + d;
  }
  fraction.resize(5, '0');
  return text + fraction;
}

std::string FormatGeneralText(Extended value, Separators separators) {
  const DecimalRecord r = DecimalDigits(value, 15, 9999);
  if (r.Kind() == DecimalKind::Infinite) return r.Negative ? "-INF" : "INF";
  if (r.Kind() == DecimalKind::NaN) return "NAN";

  const int e = r.Exponent;
  const std::string& d = r.Digits;
  const char decimal = separators.decimal;
  std::string text = r.Negative ? "-" : "";
  if (e > 15 || e < -3) {
    text += d.substr(0, 1);
    if (d.size() > 1) text += decimal + d.substr(1);
    text += 'E' + std::to_string(e - 1);
  } else if (e > 0) {
    text += LeadingDigits(d, e);
    if (d.size() > static_cast<std::size_t>(e)) text += decimal + d.substr(static_cast<std::size_t>(e));
  } else {
    text += '0';
    if (!d.empty()) text += decimal + std::string(static_cast<std::size_t>(-e), '0') + d;
  }
  return text;
}

}  // namespace numira
