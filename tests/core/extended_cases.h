// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Test support: every operation of Extended as one call on a case (operation
// and operands), its outcome as plain integers, and a fixed-seed generator of
// cases that reaches the corners of the format where rounding goes wrong
// first. The same cases run on every CPU; on x86 the x87 unit gives the
// expected outcome (x87_oracle.h).

#include <bit>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <random>
#include <vector>

#include "core/extended.h"
#include "core/pow10_tables.h"

namespace numira::testing {

enum class Operation : std::uint8_t {
  Add, Subtract, Multiply, Divide,
  RoundToInteger, ToDouble, BinaryExponent, ToUint64, Compare,
  FromDouble,  // a's significand word read as the bits of a double
  FromInt64,   // a's significand word read as a signed integer
  // The engine's step: two doubles (a and b hold them widened), one extended
  // operation, the result rounded to double.
  EngineAdd, EngineSubtract, EngineMultiply, EngineDivide,
  kCount
};

struct Case {
  Operation op;
  Extended a, b;
};

// An extended result as its two words, a double or integer result in `bits`
// (an ordering: 0 less, 1 equal, 2 greater, 3 unordered), and the flags.
struct Outcome {
  std::uint16_t sign_exponent = 0;
  std::uint64_t bits = 0;
  std::uint8_t flags = 0;
  bool operator==(const Outcome&) const = default;
  friend void PrintTo(const Outcome& o, std::ostream* out) {
    *out << std::hex << o.sign_exponent << ' ' << o.bits << " flags " << unsigned{o.flags} << std::dec;
  }
};

inline bool IsEngineOperation(Operation op) { return op >= Operation::EngineAdd && op <= Operation::EngineDivide; }

// Whether ToUint64 is defined for v: 0 <= v < 2^64.
inline bool FitsUint64(Extended v) {
  return v >= Extended() && v < Extended::FromSignificand(Extended::Traits::kIntegerBit, 1);
}

inline std::uint64_t DoubleBits(double d) { return std::bit_cast<std::uint64_t>(d); }

inline Outcome SoftOutcome(const Case& c) {
  const auto extended = [](WithFlags<Extended> r) {
    return Outcome{r.value.SignExponent(), r.value.Significand(), r.flags.bits};
  };
  const auto to_double = [](WithFlags<Extended> r) {
    const WithFlags<double> d = r.value.ToDouble();
    return Outcome{0, DoubleBits(d.value), static_cast<std::uint8_t>(r.flags.bits | d.flags.bits)};
  };
  switch (c.op) {
    case Operation::Add: return extended(Add(c.a, c.b));
    case Operation::Subtract: return extended(Subtract(c.a, c.b));
    case Operation::Multiply: return extended(Multiply(c.a, c.b));
    case Operation::Divide: return extended(Divide(c.a, c.b));
    case Operation::RoundToInteger: return extended(c.a.RoundToInteger());
    case Operation::ToDouble: {
      const WithFlags<double> d = c.a.ToDouble();
      return {0, DoubleBits(d.value), d.flags.bits};
    }
    case Operation::BinaryExponent: return {0, static_cast<std::uint64_t>(c.a.BinaryExponent()), 0};
    case Operation::ToUint64: return {0, c.a.ToUint64(), 0};
    case Operation::Compare: {
      const std::partial_ordering order = c.a <=> c.b;
      return {0, order < 0 ? 0u : order == 0 ? 1u : order > 0 ? 2u : 3u, 0};
    }
    case Operation::FromDouble: return extended(Extended::FromDouble(std::bit_cast<double>(c.a.Significand())));
    case Operation::FromInt64: return extended({Extended::FromInt64(static_cast<std::int64_t>(c.a.Significand())), {}});
    case Operation::EngineAdd: return to_double(Add(c.a, c.b));
    case Operation::EngineSubtract: return to_double(Subtract(c.a, c.b));
    case Operation::EngineMultiply: return to_double(Multiply(c.a, c.b));
    case Operation::EngineDivide: return to_double(Divide(c.a, c.b));
    case Operation::kCount: break;
  }
  return {};
}

// The corners by hand, each with the outcome an x87 unit gives (checked on
// x86 against the hardware): ties at 64 and at 53 bits, the double rounding
// of extended -> double, the denormal boundaries of both formats, the largest
// and smallest values, signed zeros, NaN in and out.
struct EdgeCase {
  const char* what;
  Case c;
  Outcome expected;
};

inline std::vector<EdgeCase> EdgeCases() {
  using T = ExtendedTraits;
  constexpr std::uint8_t kInexact = ExtendedFlags::kInexact, kInvalid = ExtendedFlags::kInvalid;
  constexpr std::uint8_t kTinyInexact = ExtendedFlags::kUnderflow | ExtendedFlags::kInexact;
  constexpr std::uint8_t kOverflow = ExtendedFlags::kOverflow | ExtendedFlags::kInexact;
  const auto x = [](std::uint64_t significand, int power) { return Extended::FromSignificand(significand, power); };
  const auto bits = [](std::uint16_t sign_exponent, std::uint64_t significand) {
    return Extended::FromBits(sign_exponent, significand);
  };
  const auto is = [](Extended v, std::uint8_t flags = 0) { return Outcome{v.SignExponent(), v.Significand(), flags}; };
  const auto is_double = [](double d, std::uint8_t flags = 0) { return Outcome{0, DoubleBits(d), flags}; };
  constexpr std::uint64_t kOne = T::kIntegerBit;
  const Extended one = 1.0, two = 2.0, three = 3.0, half = 0.5, zero, negative_zero = -0.0;
  const Extended infinity = Extended::Infinity(), largest = bits(T::kMaxBiasedExponent - 1, ~std::uint64_t{0});
  const Extended smallest_normal = bits(1, kOne), smallest_denormal = bits(0, 1);
  const Extended quiet = bits(T::kMaxBiasedExponent, kOne | T::kQuietBit | 5);
  const Extended signalling = bits(T::kMaxBiasedExponent, kOne | 7);
  const Extended default_nan = bits(T::kDefaultNaNSignExponent, T::kDefaultNaNSignificand);
  const Extended unnormal = bits(T::kExponentBias, 0x4000000000000000);
  const Extended pseudo_denormal = bits(0, kOne | 1);
  const auto op = [](Operation o, Extended a, Extended b = {}) { return Case{o, a, b}; };
  using enum Operation;
  return {
      {"2^64 + 1: a tie, to the even 2^64", op(Add, x(kOne, 1), one), is(x(kOne, 1), kInexact)},
      {"(2^64 + 2) + 1: a tie, to the even 2^64 + 4", op(Add, x(kOne | 1, 1), one), is(x(kOne | 2, 1), kInexact)},
      {"(2^64 + 2) + 1.5: above the tie", op(Add, x(kOne | 1, 1), 1.5), is(x(kOne | 2, 1), kInexact)},
      {"1 / 3", op(Divide, one, three), is(x(0xAAAAAAAAAAAAAAAB, -65), kInexact)},
      {"x - x is +0", op(Subtract, -1.5, -1.5), is(zero)},
      {"-0 + -0 is -0", op(Add, negative_zero, negative_zero), is(negative_zero)},
      {"-0 - -0 is +0", op(Subtract, negative_zero, negative_zero), is(zero)},
      {"0 x infinity is invalid", op(Multiply, zero, -infinity), is(default_nan, kInvalid)},
      {"infinity - infinity is invalid", op(Subtract, infinity, infinity), is(default_nan, kInvalid)},
      {"-1 / +0 is -infinity", op(Divide, -1.0, zero), is(-infinity, ExtendedFlags::kDivisionByZero)},
      {"the largest x 2 overflows", op(Multiply, largest, two), is(infinity, kOverflow)},
      {"the smallest normal / 2: an exact denormal", op(Divide, smallest_normal, two), is(bits(0, kOne >> 1))},
      {"the smallest denormal / 2: a tie, to zero", op(Multiply, smallest_denormal, half), is(zero, kTinyInexact)},
      {"3 x the smallest denormal / 2: a tie, to 2", op(Divide, bits(0, 3), -two), is(bits(T::kSignBit, 2), kTinyInexact)},
      {"(1 - 2^-64) x the smallest normal: tiny, a tie on the denormal grid, up to the smallest normal",
       op(Multiply, smallest_normal, x(~std::uint64_t{0}, -64)), is(smallest_normal, kTinyInexact)},
      {"(1 - 2^-126) x the smallest normal: not tiny after rounding, so no underflow",
       op(Multiply, x(~std::uint64_t{1}, -64), x(kOne | 1, -16445)), is(smallest_normal, kInexact)},
      {"a pseudo-denormal is read, never made", op(Add, pseudo_denormal, zero), is(bits(1, kOne | 1))},
      {"a quiet NaN passes", op(Add, quiet, one), is(quiet)},
      {"a signalling NaN comes out quiet", op(Multiply, one, signalling),
       is(bits(T::kMaxBiasedExponent, kOne | T::kQuietBit | 7), kInvalid)},
      {"of two NaN the larger significand", op(Subtract, signalling, quiet), is(quiet, kInvalid)},
      {"an unsupported operand beats a NaN", op(Add, quiet, unnormal), is(default_nan, kInvalid)},
      {"2^53 + 1 to double: a tie, to 2^53", op(ToDouble, x(kOne | (kOne >> 53), -10)), is_double(0x1p53, kInexact)},
      {"2^53 + 3 to double: to 2^53 + 4", op(ToDouble, x(kOne | (3 * (kOne >> 53)), -10)),
       is_double(0x1.0000000000002p53, kInexact)},
      {"1 + 2^-53 + 2^-63 to double: above the tie", op(ToDouble, x(kOne | 0x401, -63)), is_double(0x1.0000000000001p0, kInexact)},
      {"a product just above a double's tie: rounded to 64 bits it becomes the tie, then goes to even",
       op(EngineMultiply, 0x1.00000000c386cp+0, 0x1.ffffffffefd83p-1), is_double(0x1.00000000bb72ep+0, kInexact)},
      {"just below the largest double's tie", op(ToDouble, x(0xFFFFFFFFFFFFFBFF, 960)), is_double(0x1.fffffffffffffp1023, kInexact)},
      {"the largest double's tie overflows", op(ToDouble, x(0xFFFFFFFFFFFFFC00, 960)), is_double(HUGE_VAL, kOverflow)},
      {"half the smallest double: a tie, to zero", op(ToDouble, x(kOne, -1138)), is_double(0.0, kTinyInexact)},
      {"3/4 of the smallest double rounds up to it", op(ToDouble, x(0xC000000000000000, -1138)), is_double(0x1p-1074, kTinyInexact)},
      {"just below the smallest normal double rounds up to it", op(ToDouble, x(~std::uint64_t{0}, -1086)), is_double(0x1p-1022, kInexact)},
      {"a signalling NaN to double", op(ToDouble, signalling), is_double(std::bit_cast<double>(std::uint64_t{0x7FF8000000000000}), kInvalid)},
      {"an unsupported encoding to double", op(ToDouble, unnormal), is_double(std::bit_cast<double>(0xFFF8000000000000), kInvalid)},
      {"0.5 to an integer: a tie, to 0", op(RoundToInteger, half), is(zero, kInexact)},
      {"-2.5 to an integer: a tie, to -2", op(RoundToInteger, -2.5), is(Extended(-2.0), kInexact)},
      {"-0.25 to an integer keeps the sign", op(RoundToInteger, -0.25), is(negative_zero, kInexact)},
      {"2^64 - 1 truncated", op(ToUint64, x(~std::uint64_t{0}, 0)), {0, ~std::uint64_t{0}, 0}},
      {"1.99 truncated", op(ToUint64, 1.99), {0, 1, 0}},
      {"-0 equals +0", op(Compare, negative_zero, zero), {0, 1, 0}},
      {"a NaN is unordered", op(Compare, quiet, quiet), {0, 3, 0}},
      {"the smallest denormal's exponent", op(BinaryExponent, smallest_denormal), {0, static_cast<std::uint64_t>(-16445), 0}},
      {"the smallest int64", op(FromInt64, bits(0, 0x8000000000000000)), is(-x(kOne, 0))},
  };
}

// Cases from a fixed seed. Operands come in the shapes that break rounding
// code: significands with one or a few bits set, runs of ones, ties at 53
// bits, double-exact ones; exponents anywhere, near 1, at the bottom
// (denormals) and the top of the range and at the double range's limits;
// every special and unsupported encoding. The second operand is often tied
// to the first, so that sums cancel or align their bits and products and
// quotients land in the denormal range or at overflow, where a lost sticky
// bit shows. Digit chains (m * 10 + d) and scalings by the power-of-ten
// tables follow the parser's own steps. The stream of raw 64-bit words of
// std::mt19937_64 is the same on every CPU, and so are the cases.
class CaseGenerator {
 public:
  explicit CaseGenerator(std::uint64_t seed) : random_(seed) {}

  Case Next() {
    if (chain_left_ > 0) return NextInChain();
    const auto op = static_cast<Operation>(Below(static_cast<unsigned>(Operation::kCount)));
    switch (Below(64)) {
      case 0: StartChain(); return NextInChain();
      case 1: case 2: case 3: return ScalingCase();
      default: break;
    }
    if (IsEngineOperation(op)) return {op, RandomDouble(), RandomDouble()};
    const Extended a = Operand();
    return {op, a, Below(2) ? Operand() : Related(op, a)};
  }

 private:
  using Traits = ExtendedTraits;
  static constexpr int kBias = Traits::kExponentBias;

  std::uint64_t Word() { return random_(); }
  unsigned Below(unsigned n) { return static_cast<unsigned>(Word() % n); }
  int Between(int low, int high) { return low + static_cast<int>(Below(static_cast<unsigned>(high - low + 1))); }
  std::uint64_t Bit(unsigned below) { return std::uint64_t{1} << Below(below); }

  // Each random draw is a statement of its own: the order in which the
  // operands of an expression are evaluated is unspecified, the stream's not.
  std::uint64_t Significand() {
    const unsigned shape = Below(9);
    const std::uint64_t word = Word() | Traits::kIntegerBit;
    const std::uint64_t bit = Bit(63);
    const std::uint64_t other_bit = Bit(63);
    const unsigned small = Below(64);
    switch (shape) {
      case 0: return Traits::kIntegerBit | bit;
      case 1: return Traits::kIntegerBit | bit | other_bit | (small & 1);
      case 6: return Traits::kIntegerBit | (small & 7);  // after alignment only a sticky bit is left
      case 2: return small < 32 ? ~bit : ~std::uint64_t{0};  // a run of ones
      case 3: return (word & ~std::uint64_t{0x7FF}) | (0x3FF + small % 3);  // at, or next to, a tie at 53 bits
      case 4: return word & ~std::uint64_t{0x7FF};                          // a double's significand
      case 5: return (word >> small) << small;                              // a short one: exact products
      default: return word;
    }
  }

  int BiasedExponent() {
    switch (Below(6)) {
      case 0: return Between(1, Traits::kMaxBiasedExponent - 1);
      case 1: return Between(0, 70);
      case 2: return Between(Traits::kMaxBiasedExponent - 70, Traits::kMaxBiasedExponent - 1);
      case 3: {
        const int limit = Below(2) ? -1022 : 1023;
        return kBias + limit + Between(-66, 66);
      }
      default: return kBias + Between(-70, 70);
    }
  }

  // A value with the given sign, biased exponent (clamped into the finite
  // range) and significand; exponent 0 makes a denormal, rarely a
  // pseudo-denormal.
  static Extended Make(bool negative, int biased, std::uint64_t significand) {
    if (biased < 0) biased = 0;
    if (biased > Traits::kMaxBiasedExponent - 1) biased = Traits::kMaxBiasedExponent - 1;
    const auto sign = static_cast<std::uint16_t>(negative ? Traits::kSignBit : 0);
    return Extended::FromBits(static_cast<std::uint16_t>(sign | biased), significand);
  }

  Extended Special() {
    const bool negative = Below(2) != 0;
    const auto top = static_cast<std::uint16_t>((negative ? Traits::kSignBit : 0) | Traits::kMaxBiasedExponent);
    const std::uint64_t word = Word();
    const std::uint64_t payload = word >> Below(64);
    switch (Below(12)) {
      case 0: return Make(negative, 0, 0);
      case 1: return Extended::Infinity(negative);
      case 2: return Extended::FromBits(top, Traits::kIntegerBit | Traits::kQuietBit | (payload >> 2));
      case 3: return Extended::FromBits(top, Traits::kIntegerBit | (payload >> 2) | 1);  // signalling
      case 4: return Extended::FromBits(Traits::kDefaultNaNSignExponent, Traits::kDefaultNaNSignificand);
      case 5: return Make(negative, Between(1, Traits::kMaxBiasedExponent - 1), payload >> 1);  // unnormal
      case 6: return Extended::FromBits(top, payload >> 1);  // pseudo-infinity or pseudo-NaN
      case 7: return Make(negative, 0, Traits::kIntegerBit | payload);  // pseudo-denormal
      case 8: return Make(negative, Traits::kMaxBiasedExponent - 1, ~std::uint64_t{0});  // the largest
      case 9: return Make(negative, 1, Traits::kIntegerBit);  // the smallest normal
      case 10: return Make(negative, 0, Below(4) + 1);        // the smallest denormals
      default: return Make(negative, 0, Traits::kIntegerBit - 1 - Below(4));  // the largest denormals
    }
  }

  Extended Operand() {
    if (Below(8) == 0) return Special();
    const int biased = BiasedExponent();
    std::uint64_t significand = Significand();
    if (biased == 0 && Below(8) != 0) significand >>= Between(1, 63);  // a true denormal
    return Make(Below(2) != 0, biased, significand);
  }

  // A second operand tied to the first: sums whose bits align or cancel,
  // products and quotients near the bottom and the top of the range.
  Extended Related(Operation op, Extended a) {
    const int ea = a.SignExponent() & Traits::kExponentMask;
    const bool negative = Below(2) != 0;
    switch (op) {
      case Operation::Add:
      case Operation::Subtract:
        switch (Below(4)) {
          case 0: return Below(2) ? a : -a;
          case 1: return Extended::FromBits(a.SignExponent(), a.Significand() ^ Bit(64));
          default: {
            // Near or far, and often just where the aligned operand's
            // last bits fall off the 64 or 128 bits of the sum.
            const int far = Below(2) ? 64 : 128;
            const int side = Below(2) ? 1 : -1;
            const int distance = Below(2) ? Between(-68, 68) : side * (far + Between(-2, 2));
            return Make(negative, ea + distance, Significand());
          }
        }
      case Operation::Multiply:
      case Operation::Divide: {
        // The exponent of the exact result, unbiased, and the operand that gives it.
        const int target = Below(2) ? Traits::kMinExponent + Between(-68, 2) : Traits::kMaxExponent + Between(-1, 1);
        const int eb = op == Operation::Multiply ? target - (ea - kBias) : (ea - kBias) - target;
        // Nearly equal significands put a quotient just above a power of two.
        const std::uint64_t near = a.Significand() - Below(3);
        return Make(negative, eb + kBias, Below(4) == 0 ? near : Significand());
      }
      default: return Operand();
    }
  }

  // A double of any shape, widened: its exponent anywhere, at the bottom
  // (denormals) or near the top; its fraction random or sparse.
  Extended RandomDouble() {
    const std::uint64_t sign = std::uint64_t{Below(2)} << 63;
    std::uint64_t exponent = 0;
    switch (Below(4)) {
      case 0: exponent = Below(3); break;
      case 1: exponent = 2046 - Below(3); break;
      case 2: exponent = 1023 - 40 + Below(81); break;
      default: exponent = Below(2047); break;
    }
    const std::uint64_t word = Word();
    const std::uint64_t sparse = Bit(64);
    const std::uint64_t fraction = (Below(2) ? word : sparse | (word >> 63)) & ((std::uint64_t{1} << 52) - 1);
    return Extended::FromDouble(std::bit_cast<double>(sign | exponent << 52 | fraction)).value;
  }

  // The parser's accumulation m = m * 10 + d, one operation per case.
  void StartChain() {
    chain_ = Extended();
    chain_left_ = 2 * Between(1, 25);
  }

  Case NextInChain() {
    const bool multiply = chain_left_ % 2 == 0;
    --chain_left_;
    const Case c = multiply ? Case{Operation::Multiply, chain_, pow10::kSmall[1]}
                            : Case{Operation::Add, chain_, Extended::FromInt64(Below(10))};
    chain_ = multiply ? c.a * c.b : c.a + c.b;
    return c;
  }

  // A value scaled by one entry of the power-of-ten tables, as ScalePow10 does.
  Case ScalingCase() {
    const Extended entry = Below(2) ? pow10::kSmall[Below(32)]
                                    : Below(2) ? pow10::kMiddle[1 + Below(15)] : pow10::kLarge[1 + Below(9)];
    return {Below(2) ? Operation::Multiply : Operation::Divide, Operand(), entry};
  }

  std::mt19937_64 random_;
  Extended chain_;
  int chain_left_ = 0;
};

// The outcomes of a fixed stream of generated cases folded into one number
// (FNV-1a over their integers), and that number as the x87 unit gives it.
// Every CPU must reach it with the software arithmetic.
inline constexpr std::uint64_t kStreamSeed = 20261208;
inline constexpr int kStreamCases = 300000;
inline constexpr std::uint64_t kX87StreamDigest = 0xB1A62A27C4EF049E;

template <typename OutcomeOf>
std::uint64_t StreamDigest(OutcomeOf outcome_of) {
  CaseGenerator generator(kStreamSeed);
  std::uint64_t hash = 0xCBF29CE484222325;
  const auto mix = [&hash](std::uint64_t value) {
    for (int i = 0; i < 8; ++i) {
      hash ^= (value >> (8 * i)) & 0xFF;
      hash *= 0x100000001B3;
    }
  };
  for (int i = 0; i < kStreamCases; ++i) {
    const Outcome o = outcome_of(generator.Next());
    mix(o.sign_exponent);
    mix(o.bits);
    mix(o.flags);
  }
  return hash;
}

}  // namespace numira::testing
