// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Extended: the 80-bit double-extended binary format, carried in software by
// the same code on every CPU. Number texts are parsed and results formatted in
// it, and the engine computes each operation in it before rounding to double.
//
// Every operation takes its exact result and rounds it once, to nearest with
// ties to even, at 64 significand bits, over the whole range of the format:
// gradual underflow into denormals, infinities, NaN and signed zeros come out
// bit for bit as an x87 unit produces them with every exception masked. What
// such a unit would record in its status flags comes back beside the result
// (WithFlags); nothing is kept in global state.
//
// The tie rule, by example. From 2^64 on the extended integers lie 2 apart:
//   2^64 + 1  ->  2^64        (halfway; 2^64 has the even significand 0x8000...0000)
//   2^64 + 3  ->  2^64 + 4    (halfway between ...0001 and ...0010: the even one)
//   2^64 + 3.5 -> 2^64 + 4    (above halfway: nearest, no tie)
// and the same at 53 bits when rounding to double: 2^53 + 1 -> 2^53,
// 2^53 + 3 -> 2^53 + 4. Rounding to an integer follows it too: 0.5 -> 0,
// 1.5 -> 2, 2.5 -> 2, -0.5 -> -0.

#include <compare>
#include <cstdint>
#include <limits>

namespace numira {

// The format's constants, named once. A value is two words:
//   sign_exponent  bit 15 the sign, bits 14..0 the exponent biased by 16383
//   significand    bit 63 the explicit integer bit, bits 62..0 the fraction;
//                  bit 62 tells a quiet NaN from a signalling one
// Biased exponent 0 holds the zeros and the denormals, significand x
// 2^(1 - 16383 - 63); 32767 holds the infinities (significand exactly the
// integer bit) and the NaN. Any other encoding whose integer bit is clear
// (unnormals, pseudo-zeros, pseudo-infinities, pseudo-NaN) is unsupported and
// an invalid operand, as on x87. An integer bit set with exponent 0 (a
// pseudo-denormal) is read with the denormals' scale but never produced.
struct ExtendedTraits {
  static constexpr int kSignificandBits = 64;  // integer bit included
  static constexpr int kExponentBits = 15;
  static constexpr int kExponentBias = 16383;
  static constexpr std::uint16_t kMaxBiasedExponent = 0x7FFF;                // infinities and NaN
  static constexpr int kMinExponent = 1 - kExponentBias;                      // smallest normal 2^-16382
  static constexpr int kMaxExponent = kMaxBiasedExponent - 1 - kExponentBias;  // largest 2^16383 x (2 - 2^-63)
  static constexpr std::uint16_t kSignBit = 0x8000;
  static constexpr std::uint16_t kExponentMask = 0x7FFF;
  static constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;
  static constexpr std::uint64_t kQuietBit = std::uint64_t{1} << 62;
  // What an invalid operation gives (x87's "indefinite"): a quiet NaN with
  // the sign set and an empty payload.
  static constexpr std::uint16_t kDefaultNaNSignExponent = kSignBit | kMaxBiasedExponent;
  static constexpr std::uint64_t kDefaultNaNSignificand = kIntegerBit | kQuietBit;
};
static_assert(ExtendedTraits::kSignificandBits == std::numeric_limits<std::uint64_t>::digits,
              "the significand fills one 64-bit word");
static_assert(ExtendedTraits::kMaxBiasedExponent == (1 << ExtendedTraits::kExponentBits) - 1);
static_assert(ExtendedTraits::kExponentBias == (1 << (ExtendedTraits::kExponentBits - 1)) - 1);
static_assert(ExtendedTraits::kSignBit == 1u << ExtendedTraits::kExponentBits);
// Conversions to and from double read its bits: IEEE binary64 in one word.
static_assert(std::numeric_limits<double>::is_iec559 && std::numeric_limits<double>::digits == 53 &&
              sizeof(double) == sizeof(std::uint64_t));
// Sums and differences of two exponents and shift counts stay far inside int.
static_assert(std::numeric_limits<int>::digits >= 31);

// What an operation signalled. The bits are those of the x87 status word
// (exception flags in bits 0 and 2 to 5), so a comparison with the hardware
// is direct.
struct ExtendedFlags {
  static constexpr std::uint8_t kInvalid = 0x01;         // NaN made, or a signalling/unsupported operand
  static constexpr std::uint8_t kDivisionByZero = 0x04;  // finite / 0
  static constexpr std::uint8_t kOverflow = 0x08;        // rounded beyond the largest finite value
  static constexpr std::uint8_t kUnderflow = 0x10;       // tiny after rounding, and inexact
  static constexpr std::uint8_t kInexact = 0x20;
  static constexpr std::uint8_t kAll = 0x3D;

  std::uint8_t bits = 0;

  constexpr bool Has(std::uint8_t flag) const { return (bits & flag) != 0; }
  constexpr ExtendedFlags& operator|=(ExtendedFlags other) {
    bits = static_cast<std::uint8_t>(bits | other.bits);
    return *this;
  }
  friend constexpr bool operator==(ExtendedFlags, ExtendedFlags) = default;
};

// A result with the flags its operation raised.
template <typename T>
struct WithFlags {
  T value;
  ExtendedFlags flags;

  // The value, with the flags added to `raised` (sticky, like a status word):
  //   m = Multiply(m, ten).Into(raised);
  T Into(ExtendedFlags& raised) const {
    raised |= flags;
    return value;
  }
};

enum class ExtendedClass { Zero, Denormal, Normal, Infinity, NaN };

class Extended {
 public:
  using Traits = ExtendedTraits;

  constexpr Extended() = default;  // +0
  // The double, widened exactly (a signalling NaN becomes quiet; FromDouble
  // also tells that it was invalid).
  Extended(double value) : Extended(FromDouble(value).value) {}  // NOLINT: widening is implicit, as for double

  static constexpr Extended FromBits(std::uint16_t sign_exponent, std::uint64_t significand) {
    Extended v;
    v.sign_exponent_ = sign_exponent;
    v.significand_ = significand;
    return v;
  }
  // significand x 2^power_of_two, for a significand with its integer bit set
  // and a normal result: the exact constants (0xA000000000000000, -60 is 10).
  static constexpr Extended FromSignificand(std::uint64_t significand, int power_of_two) {
    return FromBits(static_cast<std::uint16_t>(power_of_two + 63 + Traits::kExponentBias), significand);
  }
  static constexpr Extended Infinity(bool negative = false) {
    return FromBits(static_cast<std::uint16_t>((negative ? Traits::kSignBit : 0) | Traits::kMaxBiasedExponent),
                    Traits::kIntegerBit);
  }
  static WithFlags<Extended> FromDouble(double value);
  static Extended FromInt64(std::int64_t value);  // exact
  static Extended FromUint64(std::uint64_t value);  // exact

  constexpr std::uint16_t SignExponent() const { return sign_exponent_; }
  constexpr std::uint64_t Significand() const { return significand_; }

  // Unsupported encodings count as NaN: every operation treats them so.
  ExtendedClass Classify() const;
  constexpr bool Negative() const { return (sign_exponent_ & Traits::kSignBit) != 0; }
  // Sign changes never signal, not even on a NaN.
  constexpr Extended operator-() const {
    return FromBits(static_cast<std::uint16_t>(sign_exponent_ ^ Traits::kSignBit), significand_);
  }
  constexpr Extended Abs() const {
    return FromBits(static_cast<std::uint16_t>(sign_exponent_ & Traits::kExponentMask), significand_);
  }
  // e with 2^e <= |v| < 2^(e+1) for finite nonzero v (denormals included);
  // INT_MIN for zero and NaN, INT_MAX for an infinity.
  int BinaryExponent() const;
  // The nearest integer, ties to even, with the sign kept (-0.4 -> -0).
  WithFlags<Extended> RoundToInteger() const;
  // To nearest double, ties to even; beyond the double range gives an
  // infinity with kOverflow, below it a denormal or zero.
  WithFlags<double> ToDouble() const;
  // Truncated toward zero, for values in [0, 2^64); anything else gives 0.
  std::uint64_t ToUint64() const;

  friend WithFlags<Extended> Add(Extended a, Extended b);
  friend WithFlags<Extended> Subtract(Extended a, Extended b);
  friend WithFlags<Extended> Multiply(Extended a, Extended b);
  friend WithFlags<Extended> Divide(Extended a, Extended b);
  // Where the flags do not matter.
  friend Extended operator+(Extended a, Extended b) { return Add(a, b).value; }
  friend Extended operator-(Extended a, Extended b) { return Subtract(a, b).value; }
  friend Extended operator*(Extended a, Extended b) { return Multiply(a, b).value; }
  friend Extended operator/(Extended a, Extended b) { return Divide(a, b).value; }

  // Numeric order: -0 == +0; a NaN is unordered with everything.
  friend std::partial_ordering operator<=>(Extended a, Extended b);
  friend bool operator==(Extended a, Extended b) { return (a <=> b) == 0; }

 private:
  std::uint64_t significand_ = 0;
  std::uint16_t sign_exponent_ = 0;
};

WithFlags<Extended> Add(Extended a, Extended b);
WithFlags<Extended> Subtract(Extended a, Extended b);
WithFlags<Extended> Multiply(Extended a, Extended b);
WithFlags<Extended> Divide(Extended a, Extended b);

}  // namespace numira
