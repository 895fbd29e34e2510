#pragma once
// Number texts <-> values: the parser that judges every operand text, the two
// formats that write every result and sign change, the locale separators and
// the 32-bit integer texts of the settings file.
//
// All arithmetic here is done in the x87 80-bit extended format, each single
// operation rounded to nearest, ties to even, at the full 64-bit significand.
// The last digits of many texts depend on those rounding steps:
// 12345678901234.56 is shown as 12,345,678,901,234.56060, not ...56050.

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

namespace numira {

// The 80-bit extended format: 1 sign bit, 15-bit exponent with bias 16383,
// 64-bit significand with an explicit integer bit. On x86-64 with g++ this is
// `long double`; everything below assumes exactly that format.
using Extended = long double;
static_assert(std::numeric_limits<Extended>::digits == 64,
              "Extended must have a 64-bit significand (x87 double-extended)");
static_assert(std::numeric_limits<Extended>::max_exponent == 16384 &&
                  std::numeric_limits<Extended>::min_exponent == -16381,
              "Extended must have the 15-bit exponent of x87 double-extended");
static_assert(std::numeric_limits<Extended>::is_iec559);

// A text that is not a number. what() is the message shown to the user:
// "'%s' は浮動小数点数ではありません" for number texts,
// "'%s' は整数ではありません" for integer texts.
class ConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A value beyond the double range was rounded to double.
// what() is "浮動小数点数のオーバーフロー".
class FloatOverflowError : public std::runtime_error {
 public:
  FloatOverflowError();
};

// ---------------------------------------------------------------------------
// Separators

// The decimal separator (default '.') and the thousands separator (default
// ','): process-wide single bytes read by every operation of this module at
// the moment it runs.
char DecimalSeparator();
char ThousandSeparator();
void SetSeparators(char decimal, char thousands);

// Chooses the separator pair from the locale's separator texts (UTF-8, as the
// C library reports them):
//   ".", ","        -> '.', ','
//   ",", "."        -> ',', '.'
//   ",", "\u00A0"   -> ',', ' '   (a no-break space, U+00A0 or U+202F, stands as ' ')
//   ",", ""         -> ',', '.'   (empty or multi-byte thousands: ',' by default,
//                                  which would clash with ',' decimal: then '.')
//   "",  ""         -> '.', ','
// A text that is not exactly one byte gives the default for that separator;
// the two never come out equal: a clash makes the thousands separator '.'
// when the decimal is ',' and ',' otherwise.
struct SeparatorPair {
  char decimal = '.';
  char thousands = ',';
};
SeparatorPair ChooseSeparators(std::string_view decimal_text, std::string_view thousands_text);

// Sets both separators from the user's numeric locale (LC_ALL, LC_NUMERIC,
// LANG as the C library resolves them) through ChooseSeparators, without
// changing the process locale. Runs once at start-up.
void LoadSeparators();

// ---------------------------------------------------------------------------
// Number texts

// Parses a number text into an extended value.
// Form: blanks (' ' only), optional '+'/'-', digits with at most one decimal
// separator (at least one of the two present), optional exponent 'E'/'e' with
// an optional sign and at most the value 4999 (digits may be missing), blanks.
//   "12", " 12 ", "+12", "007" -> 12      "5." -> 5     ".5" -> 0.5
//   "." -> 0      "-." -> -0    ".E5" -> 0    "1e" "1e+" "1e-" -> 1
//   "1e400" -> 1e400 (beyond double, but a valid extended)
// Throws ConversionError for everything else ("", "-", "1,234", "1.2.3",
// "\t12", "E5", "1e5000") and for values beyond the extended range ("1e4999").
// Runs in its own floating-point environment: the caller's environment,
// including its status flags, is exactly as before when it returns or throws.
Extended ParseNumberText(std::string_view text);

// Rounds an extended value to double, to nearest with ties to even.
// Throws FloatOverflowError when a finite value rounds beyond the largest
// double (1e400 -> throws; 1e-400 -> 0 silently; infinities and NaN pass).
double RoundToDouble(Extended value);

// x * 10^k by the three exact power-of-ten tables: one multiplication (k > 0)
// or division (k < 0) per table, each rounded to extended. |k| >= 5120 gives
// 0 for negative k and infinity for positive k.
Extended ScalePow10(Extended x, int k);

// The decimal form of a value: 0.d1d2d3... x 10^Exponent.
struct DecimalRecord {
  static constexpr std::int16_t kInfinity = 32767;
  static constexpr std::int16_t kNaN = -32768;
  std::int16_t Exponent = 0;  // kInfinity / kNaN mark those values
  bool Negative = false;      // false for zero, NaN, and values rounded away
  std::string Digits;         // up to 18 digits, no trailing zero, never a leading zero
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

// The result format ",0.00000": thousands grouping, exactly five decimals.
//   1234.5 -> "1,234.50000"     -0.0 -> "0.00000"    -0.000004 -> "0.00000"
//   0.000015 -> "0.00002"       12345678901234.56 -> "12,345,678,901,234.56060"
// Values whose 18-digit form reaches 10^18, infinities and NaN use the general
// format: 1e18 -> "1E18", 1.5e20 -> "1.5E20". Never fails.
std::string FormatResultText(Extended value);

// The general format: at most 15 significant digits, no grouping, no
// trailing zeros; scientific form below 1e-4 and from 1e15 up.
//   -12.5 -> "-12.5"   -0.0 -> "0"   1.0/3 -> "0.333333333333333"
//   0.00001 -> "1E-5"  1e15 -> "1E15"  inf -> "INF"  -inf -> "-INF"  NaN -> "NAN"
// Never fails.
std::string FormatGeneralText(Extended value);

// ---------------------------------------------------------------------------
// Integer texts (32-bit signed)

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
