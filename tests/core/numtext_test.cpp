// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Number texts: parser, scaling tables, decimal digits, the two formats,
// separators and integer texts.

#include "core/numtext.h"

#include <bit>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/pow10_tables.h"

namespace numira {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

constexpr Separators kDot{};  // '.' and ','

double ParseToDouble(const std::string& text, Separators separators = kDot) {
  return RoundToDouble(ParseNumberText(text, separators));
}

bool Rejected(const std::string& text, Separators separators = kDot) {
  try {
    ParseNumberText(text, separators);
    return false;
  } catch (const ConversionError&) {
    return true;
  }
}

// 10^k rounded to 64 bits, ties to even, from its exact digits: 10^k =
// 5^k x 2^k, and 5^k is built in base 2^32 limbs, least significant first.
Extended CorrectlyRoundedPowerOfTen(int k) {
  std::vector<std::uint32_t> five_to_k{1};
  for (int i = 0; i < k; ++i) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : five_to_k) {
      const std::uint64_t product = std::uint64_t{limb} * 5 + carry;
      limb = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
    if (carry != 0) five_to_k.push_back(static_cast<std::uint32_t>(carry));
  }
  const auto bit = [&five_to_k](int i) { return (five_to_k[static_cast<std::size_t>(i / 32)] >> (i % 32)) & 1; };
  const int length = static_cast<int>(five_to_k.size()) * 32 - std::countl_zero(five_to_k.back());
  std::uint64_t significand = 0;
  for (int i = length - 1; i >= 0 && i >= length - 64; --i) significand = significand << 1 | bit(i);
  int power = k;
  if (length < 64) {
    significand <<= 64 - length;
    power -= 64 - length;
  } else {
    power += length - 64;
    bool half = length > 64 && bit(length - 65) != 0, below = false;
    for (int i = length - 66; i >= 0 && !below; --i) below = bit(i) != 0;
    if (half && (below || (significand & 1) != 0) && ++significand == 0) {
      significand = std::uint64_t{1} << 63;
      ++power;
    }
  }
  return Extended::FromSignificand(significand, power);
}

TEST(NumtextPowersOfTen, EveryTableEntryIsTheCorrectlyRoundedPower) {
  const auto expect_power = [](Extended entry, int k) {
    const Extended exact = CorrectlyRoundedPowerOfTen(k);
    EXPECT_EQ(entry.SignExponent(), exact.SignExponent()) << "1e" << k;
    EXPECT_EQ(entry.Significand(), exact.Significand()) << "1e" << k;
  };
  for (int i = 0; i < 32; ++i) expect_power(pow10::kSmall[i], i);
  for (int j = 1; j < 16; ++j) expect_power(pow10::kMiddle[j], 32 * j);
  for (int m = 1; m < 10; ++m) expect_power(pow10::kLarge[m], 512 * m);
  expect_power(pow10::kTenTo18, 18);
  // Up to 10^27 the powers fit in 64 significant bits: 10^27 = 5^27 x 2^27.
  EXPECT_EQ(pow10::kSmall[27], Extended::FromUint64(7450580596923828125) * Extended::FromUint64(1u << 27));
}

TEST(NumtextScale, UsesOneFactorPerTableAndSaturatesFrom5120) {
  const Extended ten = pow10::kSmall[1];
  EXPECT_EQ(ScalePow10(1.5, 0), Extended(1.5));
  EXPECT_EQ(ScalePow10(12345, -2), Extended(12345) / pow10::kSmall[2]);
  EXPECT_EQ(ScalePow10(3, 33), Extended(3) * ten * pow10::kMiddle[1]);
  EXPECT_EQ(ScalePow10(3, -545), Extended(3) / ten / pow10::kMiddle[1] / pow10::kLarge[1]);
  EXPECT_EQ(ScalePow10(1, -5120), Extended());
  EXPECT_EQ(ScalePow10(1, 5120), Extended::Infinity());
  EXPECT_EQ(ScalePow10(1, -4950).Classify(), ExtendedClass::Denormal);
}

// Rows of the parser's edge-case table (value after rounding to double),
// followed by corners of the exponent and the accumulation.
TEST(NumtextParse, AcceptsTheNumberForms) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"12", 12},        {" 12 ", 12},      {"+12", 12},        {"007", 7},
      {"-12", -12},      {"000", 0},        {"5.", 5},          {".5", 0.5},
      {".", 0},          {".E5", 0},        {"1e", 1},          {"1e+", 1},
      {"1e-", 1},        {"-1E15", -1e15},  {"1e-5", 0.00001},  {"1e-400", 0},
      {"123.45", 123.45}, {"1E0004", 1e4},  {"  -0.25e+2  ", -25},
      {"1e-4999", 0},    {"0.000000000000000000001e-4940", 0},
      {"12345678901234567890", 12345678901234567890.0},
      {"0.1", 0.1},      {"2.2250738585072014e-308", 2.2250738585072014e-308},
      {"4.9406564584124654e-324", 4.9406564584124654e-324},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseToDouble(c.text), c.value) << c.text;
  EXPECT_TRUE(std::signbit(ParseToDouble("-.")));
  EXPECT_FALSE(std::signbit(ParseToDouble(".")));
  // Up to 2^64 - 1 the accumulation keeps every digit.
  EXPECT_EQ(ParseNumberText("18446744073709551615", kDot), Extended::FromUint64(UINT64_MAX));
}

TEST(NumtextParse, RejectsEverythingElse) {
  const char* rejected[] = {
      "",     "   ",   "-",      "+",     "- 5",     "1 2",      "12a",    "1.2.3",
      "1,234", "1,234.00000", "\t12", "E5", "1e5000", "1e4999", "1e4933", "1000e4931",
      "1e50000", "--1", "+-1", "1e+-1", "1e 5", "0x10", "1.5 .", "12\n",
  };
  for (const char* text : rejected) EXPECT_TRUE(Rejected(text)) << text;
  // The largest extended is about 1.19e4932: these still fit.
  EXPECT_FALSE(Rejected("1e4932"));
  EXPECT_FALSE(Rejected(".1e4933"));
  EXPECT_FALSE(Rejected("1e0600"));
}

TEST(NumtextParse, NamesTheWholeTextInItsMessage) {
  try {
    ParseNumberText(" 1,5", kDot);
    FAIL();
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "' 1,5' は浮動小数点数ではありません");
  }
}

TEST(NumtextParse, ValuesBeyondDoubleOverflowOnlyWhenRounded) {
  for (const char* text : {"1e400", "1e0600", "9e4931", "-1e309"}) {
    const Extended value = ParseNumberText(text, kDot);
    EXPECT_THROW(RoundToDouble(value), FloatOverflowError) << text;
  }
  // The largest double and a value that still rounds down to it pass.
  EXPECT_EQ(ParseToDouble("1.7976931348623157e308"), DBL_MAX);
  EXPECT_EQ(ParseToDouble("1.79769313486231580e308"), DBL_MAX);
  try {
    RoundToDouble(ParseNumberText("1e400", kDot));
    FAIL() << "1e400 rounded to a double without the overflow error";
  } catch (const FloatOverflowError& e) {
    EXPECT_STREQ(e.what(), "浮動小数点数のオーバーフロー");
  }
}

TEST(NumtextDecimalDigits, ReducesToEighteenDigitsThenRoundsHalfAway) {
  struct Case {
    double value;
    int precision, decimals;
    int exponent;
    bool negative;
    const char* digits;
  };
  const Case cases[] = {
      {1234.5, 18, 5, 4, false, "12345"},
      {0.000005, 18, 5, -4, false, "1"},
      {0.000004, 18, 5, -5, false, ""},
      {-0.000004, 18, 5, -5, false, ""},
      {-0.000005, 18, 5, -4, true, "1"},
      {1.0 / 3, 15, 9999, 0, false, "333333333333333"},
      {0.2410495604558065, 18, 9999, 0, false, "241049560455806500"},
      {0.2410495604558065, 15, 9999, 0, false, "241049560455807"},
      {999.999995, 18, 5, 4, false, "1"},
      {1e-300, 18, 5, 0, false, ""},
      {0.0, 18, 5, 0, false, ""},
      {-0.0, 15, 9999, 0, false, ""},
  };
  for (const Case& c : cases) {
    const DecimalRecord r = DecimalDigits(c.value, c.precision, c.decimals);
    std::string expected = c.digits;
    while (!expected.empty() && expected.back() == '0') expected.pop_back();
    EXPECT_EQ(r.Exponent, c.exponent) << c.value;
    EXPECT_EQ(r.Negative, c.negative) << c.value;
    EXPECT_EQ(r.Digits, expected) << c.value;
  }
  const Extended inf = Extended::Infinity();
  const Extended nan = std::nan("");
  EXPECT_EQ(DecimalDigits(1234.5, 18, 5).Kind(), DecimalKind::Finite);
  EXPECT_EQ(DecimalDigits(-inf, 18, 5).Kind(), DecimalKind::Infinite);
  EXPECT_EQ(DecimalDigits(-inf, 18, 5).Exponent, DecimalRecord::kInfinity);
  EXPECT_TRUE(DecimalDigits(-inf, 18, 5).Negative);
  EXPECT_EQ(DecimalDigits(nan, 18, 5).Kind(), DecimalKind::NaN);
  EXPECT_EQ(DecimalDigits(nan, 18, 5).Exponent, DecimalRecord::kNaN);
  EXPECT_EQ(DecimalDigits(Extended::FromBits(0, 1), 18, 5).Digits, "");  // the smallest denormal
}

// The result format's table, plus the grouping and the unrounded fraction
// from 10^13 on.
TEST(NumtextResultFormat, GroupsThousandsAndShowsFiveDecimals) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {1234.5, "1,234.50000"},
      {1000, "1,000.00000"},
      {0, "0.00000"},
      {-0.0, "0.00000"},
      {0.5, "0.50000"},
      {-1234567.891, "-1,234,567.89100"},
      {0.000004, "0.00000"},
      {-0.000004, "0.00000"},
      {0.000005, "0.00001"},
      {-0.000005, "-0.00001"},
      {0.000015, "0.00002"},
      {2.000005, "2.00000"},
      {9.999995, "10.00000"},
      {999.999995, "1,000.00000"},
      {1.0 / 3, "0.33333"},
      {-1.0 / 3, "-0.33333"},
      {0.1 + 0.2, "0.30000"},
      {12345678901234.56, "12,345,678,901,234.56060"},
      {123456789012345678.0, "123,456,789,012,345,680.00000"},
      {999999999999999872.0, "999,999,999,999,999,872.00000"},
      {1e18, "1E18"},
      {-1e18, "-1E18"},
      {1.5e20, "1.5E20"},
      {kInf, "INF"},
      {-kInf, "-INF"},
      {std::nan(""), "NAN"},
      {12, "12.00000"},
      {100, "100.00000"},
      {123456, "123,456.00000"},
      {1e13, "10,000,000,000,000.00000"},
      {1e14, "100,000,000,000,000.00000"},
      {1e15, "1,000,000,000,000,000.00000"},
      {1e16, "10,000,000,000,000,000.00000"},
      {1e17, "100,000,000,000,000,000.00000"},
      {123456789012345.67, "123,456,789,012,345.67200"},
      {1234567890123.4567, "1,234,567,890,123.45679"},
      {0.125, "0.12500"},
      {1.000015, "1.00002"},
      {4.9406564584124654e-324, "0.00000"},
      {DBL_MAX, "1.79769313486232E308"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatResultText(c.value, kDot), c.text) << c.value;
}

TEST(NumtextGeneralFormat, ShowsFifteenDigitsWithoutTrailingZeros) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {12.5, "12.5"},
      {-12.5, "-12.5"},
      {-3, "-3"},
      {0, "0"},
      {-0.0, "0"},
      {100, "100"},
      {1024, "1024"},
      {0.1, "0.1"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {0.00001234, "1.234E-5"},
      {1.5e-7, "1.5E-7"},
      {999999999999999, "999999999999999"},
      {1e15, "1E15"},
      {999999999999999.5, "1E15"},
      {1234567890123456, "1.23456789012346E15"},
      {123456789012345.6, "123456789012346"},
      {12345678901234.56, "12345678901234.6"},
      {0.2410495604558065, "0.241049560455807"},
      {1e100, "1E100"},
      {DBL_MAX, "1.79769313486232E308"},
      {9.98e-206, "9.98E-206"},
      {kInf, "INF"},
      {-kInf, "-INF"},
      {std::nan(""), "NAN"},
      {-1234.5, "-1234.5"},
      {4.9406564584124654e-324, "4.94065645841247E-324"},
      {123456789012345.0, "123456789012345"},
      {0.001, "0.001"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatGeneralText(c.value, kDot), c.text) << c.value;
}

TEST(NumtextSeparators, ConversionsUseTheSeparatorsTheyAreGiven) {
  const Separators comma{',', '.'};
  EXPECT_EQ(FormatResultText(1234.5, comma), "1.234,50000");
  EXPECT_EQ(FormatGeneralText(-1234.5, comma), "-1234,5");
  EXPECT_EQ(ParseToDouble("1,5", comma), 1.5);
  EXPECT_TRUE(Rejected("1.5", comma));
  EXPECT_EQ(FormatResultText(-1234567.25, {',', ' '}), "-1 234 567,25000");
}

TEST(NumtextSeparators, ChoosesADistinctSingleBytePairFromTheLocale) {
  struct Case {
    const char* decimal;
    const char* thousands;
    char want_decimal, want_thousands;
  };
  const Case cases[] = {
      {".", ",", '.', ','},            // en_US
      {",", ".", ',', '.'},            // de_DE
      {",", "\xC2\xA0", ',', ' '},     // ru_RU: U+00A0
      {",", "\xE2\x80\xAF", ',', ' '}, // fr_FR: U+202F
      {",", "", ',', '.'},             // no grouping: the default would clash
      {".", "", '.', ','},             // the C locale
      {"", "", '.', ','},
      {",", ",", ',', '.'},
      {".", ".", '.', ','},
      {"\xD9\xAB", "\xD9\xAC", '.', ','},  // Arabic separators: two bytes each
      {".", "'", '.', '\''},           // de_CH
  };
  for (const Case& c : cases) {
    const Separators pair = ChooseSeparators(c.decimal, c.thousands);
    EXPECT_EQ(pair.decimal, c.want_decimal) << c.decimal << "|" << c.thousands;
    EXPECT_EQ(pair.thousands, c.want_thousands) << c.decimal << "|" << c.thousands;
  }
}

// Windows takes the user's locale from its own settings, not from the
// environment: tests/windows checks the Win32 reading.
#ifndef _WIN32
TEST(NumtextSeparators, LoadsFromTheEnvironmentWithoutChangingTheProcessLocale) {
  const char* saved = std::getenv("LC_ALL");
  const std::string saved_value = saved ? saved : "";
  setenv("LC_ALL", "C", 1);
  const Separators loaded = LoadSeparators();
  EXPECT_EQ(loaded.decimal, '.');
  EXPECT_EQ(loaded.thousands, ',');
  EXPECT_EQ(std::string(std::setlocale(LC_NUMERIC, nullptr)), "C");
  if (saved) {
    setenv("LC_ALL", saved_value.c_str(), 1);
  } else {
    unsetenv("LC_ALL");
  }
}
#endif

TEST(NumtextIntegerText, ReadsDecimalAndHexadecimalWithinThirtyTwoBits) {
  constexpr std::int32_t kInvalid = 99;
  struct Case {
    const char* text;
    std::int32_t value;
  };
  const Case cases[] = {
      {"  42", 42},      {"+7", 7},          {"007", 7},         {"42 ", kInvalid},
      {"-42", -42},      {"-0", 0},          {"$1F", 31},        {"0x1f", 31},
      {"x10", 16},       {"X10", 16},        {"0X10", 16},       {"-$10", kInvalid},
      {"$", kInvalid},   {"0x", kInvalid},   {"", kInvalid},     {"-", kInvalid},
      {"2147483647", 2147483647},             {"-2147483648", INT32_MIN},
      {"2147483648", kInvalid},               {"-2147483649", kInvalid},
      {"$FFFFFFFF", -1}, {"$0FFFFFFFF", -1},  {"$100000000", kInvalid},
      {"$80000000", INT32_MIN},               {"12px", kInvalid},
      {"-0x10", kInvalid}, {"+$1", kInvalid}, {" $1", 1},         {"$ 1", kInvalid},
      {"99999999999", kInvalid},              {"0000000000000000042", 42},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseIntegerTextOr(c.text, kInvalid), c.value) << c.text;
}

TEST(NumtextIntegerText, FormatsAndReadsBackEveryBoundary) {
  for (std::int32_t n : {0, 1, -1, 42, -42, INT32_MAX, INT32_MIN}) {
    EXPECT_EQ(ParseIntegerText(FormatIntegerText(n)), n);
  }
  EXPECT_EQ(FormatIntegerText(-153), "-153");
  try {
    ParseIntegerText("12px");
    FAIL();
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "'12px' は整数ではありません");
  }
}

// Fixed-seed sweep over random doubles of every magnitude, each text read back
// by the C library's correctly rounded strtold (not by the parser under test):
// the general text lies within half a unit of its fifteenth digit (a little
// more: the 18-digit intermediate may reach a tie from just below it), and the
// result text (grouping removed) within half a unit of its fifth decimal. The
// bounds allow for the read-back's own rounding, which is coarser where long
// double is no wider than double.
TEST(NumtextRandomSweep, TextsReadBackWithinTheirRounding) {
#ifdef NUMIRA_LONG_TESTS
  const int kCount = 2000000;
#else
  const int kCount = 20000;
#endif
  std::mt19937_64 random(20261208);
  std::uniform_int_distribution<std::uint64_t> bits;
  for (int i = 0; i < kCount; ++i) {
    double v;
    const std::uint64_t pattern = bits(random);
    std::memcpy(&v, &pattern, sizeof v);
    if (!std::isfinite(v)) continue;
    if (i % 2 == 1) v = std::ldexp(v, -std::ilogb(v)) * std::pow(10.0, i % 40 - 20);

    const long double magnitude = std::fabs(static_cast<long double>(v));
    const long double read_back = magnitude * std::numeric_limits<long double>::epsilon();
    const std::string general = FormatGeneralText(v, kDot);
    const long double back = std::strtold(general.c_str(), nullptr);
    const long double unit = std::pow(10.0L, std::floor(std::log10(magnitude)) - 14);
    ASSERT_LE(std::fabs(back - v), unit * 0.501L + read_back) << general << " for " << v;

    if (std::fabs(v) < 1e13) {
      std::string result = FormatResultText(v, kDot);
      std::erase(result, ',');
      const long double read = std::strtold(result.c_str(), nullptr);
      // The fifth decimal is rounded on the 18-digit form, which may itself be
      // rounded up by half a unit of its last digit first.
      const long double last18 = unit / 1000;
      ASSERT_LE(std::fabs(read - v), 0.000005L + last18 * 0.51L + 1e-12L + read_back) << result << " for " << v;
      ASSERT_EQ(result.size() - result.find('.'), 6u) << result;
    }
  }
}

}  // namespace
}  // namespace numira
