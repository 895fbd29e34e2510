// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The 80-bit extended format in software: exact results of 64-bit
// significands (in 32-bit halves where a product or quotient needs 128 bits),
// one shared rounding step for extended and double results, and the x87 rules
// for NaN and unsupported operands.

#include "core/extended.h"

#include <bit>
#include <climits>
#include <cstdint>
#include <utility>

namespace numira {
namespace {

using Traits = ExtendedTraits;
constexpr ExtendedFlags kNoFlags{};
constexpr ExtendedFlags kInvalid{ExtendedFlags::kInvalid};

// What an encoding stands for, as the operations see it.
enum class Kind { Zero, Finite, Infinity, QuietNaN, SignallingNaN, Unsupported };

Kind KindOf(Extended v) {
  const unsigned exponent = v.SignExponent() & Traits::kExponentMask;
  const std::uint64_t significand = v.Significand();
  if (exponent == 0) return significand == 0 ? Kind::Zero : Kind::Finite;  // (pseudo-)denormals are finite
  if ((significand & Traits::kIntegerBit) == 0) return Kind::Unsupported;
  if (exponent != Traits::kMaxBiasedExponent) return Kind::Finite;
  if (significand == Traits::kIntegerBit) return Kind::Infinity;
  return (significand & Traits::kQuietBit) != 0 ? Kind::QuietNaN : Kind::SignallingNaN;
}

bool IsNaNOrUnsupported(Kind k) { return k == Kind::QuietNaN || k == Kind::SignallingNaN || k == Kind::Unsupported; }

std::uint16_t SignWord(bool negative) { return negative ? Traits::kSignBit : std::uint16_t{0}; }

Extended Zero(bool negative) { return Extended::FromBits(SignWord(negative), 0); }

constexpr Extended kDefaultNaN =
    Extended::FromBits(Traits::kDefaultNaNSignExponent, Traits::kDefaultNaNSignificand);

Extended Quieted(Extended nan) { return Extended::FromBits(nan.SignExponent(), nan.Significand() | Traits::kQuietBit); }

// The NaN an operation gives when an operand is a NaN or unsupported: an
// unsupported operand gives the default NaN, even beside a NaN; of two NaN
// the larger significand wins (so a quiet one beats a signalling one, whose
// quiet bit is clear), and of two equal ones the positive. The result is
// quiet. A signalling or unsupported operand is invalid.
WithFlags<Extended> NaNResult(Extended a, Kind ka, Extended b, Kind kb) {
  if (ka == Kind::Unsupported || kb == Kind::Unsupported) return {kDefaultNaN, kInvalid};
  const ExtendedFlags flags = (ka == Kind::SignallingNaN || kb == Kind::SignallingNaN) ? kInvalid : kNoFlags;
  if (!IsNaNOrUnsupported(kb)) return {Quieted(a), flags};
  if (!IsNaNOrUnsupported(ka)) return {Quieted(b), flags};
  if (a.Significand() != b.Significand()) return {Quieted(a.Significand() > b.Significand() ? a : b), flags};
  return {Quieted(a.Negative() ? b : a), flags};
}

// A finite nonzero value taken apart: significand x 2^(exponent - 63), with
// the significand's top bit set.
struct Unpacked {
  bool negative;
  int exponent;
  std::uint64_t significand;
};

Unpacked Unpack(Extended v) {
  int biased = v.SignExponent() & Traits::kExponentMask;
  if (biased == 0) biased = 1;  // denormals share the smallest normal's scale
  const int shift = std::countl_zero(v.Significand());
  return {v.Negative(), biased - Traits::kExponentBias - shift, v.Significand() << shift};
}

// A result format of the shared rounding step.
struct Format {
  int bits;          // significand bits, integer bit included
  int min_exponent;  // of the smallest normal
  int max_exponent;  // of the largest finite value
};
constexpr Format kExtendedFormat{Traits::kSignificandBits, Traits::kMinExponent, Traits::kMaxExponent};
constexpr Format kDoubleFormat{std::numeric_limits<double>::digits, std::numeric_limits<double>::min_exponent - 1,
                               std::numeric_limits<double>::max_exponent - 1};

struct ShiftedBits {
  std::uint64_t kept;
  bool inexact;
  bool carried;  // rounding up wrapped past 64 bits: the value is 2^64
};

// (high + low / 2^64) / 2^shift rounded to an integer, to nearest, ties to
// even. Every bit of `low` counts, so a caller folds the bits it dropped into
// low's lowest bit.
ShiftedBits ShiftRightRounded(std::uint64_t high, std::uint64_t low, int shift) {
  std::uint64_t kept = 0;
  bool half = false;
  bool below = false;  // anything set below the half bit
  if (shift == 0) {
    kept = high;
    half = (low >> 63) != 0;
    below = (low << 1) != 0;
  } else if (shift < 64) {
    kept = high >> shift;
    const std::uint64_t dropped = high << (64 - shift);
    half = (dropped >> 63) != 0;
    below = (dropped << 1) != 0 || low != 0;
  } else {
    half = shift == 64 && (high >> 63) != 0;
    below = (shift == 64 ? (high << 1) != 0 : high != 0) || low != 0;
  }
  ShiftedBits out{kept, half || below, false};
  if (half && (below || (kept & 1) != 0)) {
    ++out.kept;
    out.carried = out.kept == 0;
  }
  return out;
}

// A magnitude rounded to a format: a significand `bits` wide and its
// exponent. Without the top bit the value is a denormal or zero at
// min_exponent; an exponent above max_exponent means overflow.
struct Rounded {
  std::uint64_t significand;
  int exponent;
  ExtendedFlags flags;
};

// Rounds (high + low / 2^64) x 2^(exponent - 63), high's top bit set, to
// `format`. Tininess counts after rounding: a value that rounds up to the
// smallest normal at full precision does not underflow.
Rounded Round(const Format& format, int exponent, std::uint64_t high, std::uint64_t low) {
  const int precision_shift = 64 - format.bits;
  const bool tiny = exponent < format.min_exponent;
  const ShiftedBits r =
      ShiftRightRounded(high, low, precision_shift + (tiny ? format.min_exponent - exponent : 0));
  const auto reaches_next_power = [&format](const ShiftedBits& s) {
    return s.carried || (format.bits < 64 && (s.kept >> format.bits) != 0);
  };
  Rounded out{r.kept, tiny ? format.min_exponent : exponent, kNoFlags};
  if (reaches_next_power(r)) {
    out.significand = std::uint64_t{1} << (format.bits - 1);
    ++out.exponent;
  }
  if (r.inexact) out.flags |= ExtendedFlags{ExtendedFlags::kInexact};
  if (tiny && r.inexact &&
      !(exponent == format.min_exponent - 1 && reaches_next_power(ShiftRightRounded(high, low, precision_shift)))) {
    out.flags |= ExtendedFlags{ExtendedFlags::kUnderflow};
  }
  if (out.exponent > format.max_exponent) out.flags |= ExtendedFlags{ExtendedFlags::kOverflow | ExtendedFlags::kInexact};
  return out;
}

WithFlags<Extended> RoundToExtended(bool negative, int exponent, std::uint64_t high, std::uint64_t low) {
  const Rounded r = Round(kExtendedFormat, exponent, high, low);
  if (r.exponent > Traits::kMaxExponent) return {Extended::Infinity(negative), r.flags};
  const bool normal = (r.significand & Traits::kIntegerBit) != 0;
  const int biased = normal ? r.exponent + Traits::kExponentBias : 0;
  return {Extended::FromBits(static_cast<std::uint16_t>(SignWord(negative) | biased), r.significand), r.flags};
}

WithFlags<Extended> Canonical(const Unpacked& u) { return RoundToExtended(u.negative, u.exponent, u.significand, 0); }

// The 128-bit product of two 64-bit words, from 32-bit halves.
void Multiply64(std::uint64_t a, std::uint64_t b, std::uint64_t& high, std::uint64_t& low) {
  constexpr std::uint64_t kHalf = 0xFFFFFFFF;
  const std::uint64_t a0 = a & kHalf, a1 = a >> 32, b0 = b & kHalf, b1 = b >> 32;
  const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  const std::uint64_t middle = (p00 >> 32) + (p01 & kHalf) + (p10 & kHalf);
  low = (middle << 32) | (p00 & kHalf);
  high = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
}

// (high x 2^64 + low) / divisor for high < divisor and a divisor with its top
// bit set: the quotient (it fits 64 bits) and the remainder. Schoolbook
// division in 32-bit digits, each digit estimated from the divisor's top
// half and corrected at most twice.
std::uint64_t Divide128(std::uint64_t high, std::uint64_t low, std::uint64_t divisor, std::uint64_t& remainder) {
  constexpr std::uint64_t kBase = std::uint64_t{1} << 32;
  const std::uint64_t d1 = divisor >> 32, d0 = divisor & (kBase - 1);
  const auto digit = [&](std::uint64_t top, std::uint64_t next) {
    std::uint64_t q = top / d1, r = top % d1;
    while (q >= kBase || q * d0 > ((r << 32) | next)) {
      --q;
      r += d1;
      if (r >= kBase) break;
    }
    return q;
  };
  // Differences below are exact modulo 2^64: each true value lies in [0, divisor).
  const std::uint64_t q1 = digit(high, low >> 32);
  const std::uint64_t rest = (high << 32) + (low >> 32) - q1 * divisor;
  const std::uint64_t q0 = digit(rest, low & (kBase - 1));
  remainder = (rest << 32) + (low & (kBase - 1)) - q0 * divisor;
  return (q1 << 32) | q0;
}

WithFlags<Extended> AddSigned(Extended a, Extended b, bool negate_b) {
  const Kind ka = KindOf(a), kb = KindOf(b);
  if (IsNaNOrUnsupported(ka) || IsNaNOrUnsupported(kb)) return NaNResult(a, ka, b, kb);
  const bool sa = a.Negative(), sb = b.Negative() != negate_b;
  if (ka == Kind::Infinity || kb == Kind::Infinity) {
    if (ka == kb && sa != sb) return {kDefaultNaN, kInvalid};
    return {Extended::Infinity(ka == Kind::Infinity ? sa : sb), kNoFlags};
  }
  if (ka == Kind::Zero && kb == Kind::Zero) return {Zero(sa && sb), kNoFlags};
  Unpacked x = ka == Kind::Zero ? Unpacked{} : Unpack(a);
  Unpacked y = kb == Kind::Zero ? Unpacked{} : Unpack(b);
  x.negative = sa;
  y.negative = sb;
  if (ka == Kind::Zero) return Canonical(y);
  if (kb == Kind::Zero) return Canonical(x);
  if (x.exponent < y.exponent || (x.exponent == y.exponent && x.significand < y.significand)) std::swap(x, y);

  // y aligned to x's exponent in 128 bits; what falls off is folded into the
  // lowest bit, far below any rounding position.
  const int d = x.exponent - y.exponent;
  std::uint64_t yh = 0, yl = 0;
  if (d == 0) {
    yh = y.significand;
  } else if (d < 64) {
    yh = y.significand >> d;
    yl = y.significand << (64 - d);
  } else if (d < 128) {
    yl = y.significand >> (d - 64);
    if (d > 64 && (y.significand << (128 - d)) != 0) yl |= 1;
  } else {
    yl = 1;
  }

  int exponent = x.exponent;
  std::uint64_t high = 0, low = 0;
  if (x.negative == y.negative) {
    low = yl;
    high = x.significand + yh;
    if (high < x.significand) {  // carry out of bit 63
      low = (low >> 1) | (high << 63) | (low & 1);
      high = (high >> 1) | Traits::kIntegerBit;
      ++exponent;
    }
  } else {
    low = 0 - yl;
    high = x.significand - yh - (yl != 0 ? 1 : 0);
    if (high == 0 && low == 0) return {Zero(false), kNoFlags};  // x - x is +0
    const int shift = high != 0 ? std::countl_zero(high) : 64 + std::countl_zero(low);
    if (shift >= 64) {
      high = low << (shift - 64);
      low = 0;
    } else if (shift > 0) {
      high = (high << shift) | (low >> (64 - shift));
      low <<= shift;
    }
    exponent -= shift;
  }
  return RoundToExtended(x.negative, exponent, high, low);
}

}  // namespace

WithFlags<Extended> Extended::FromDouble(double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const bool negative = (bits >> 63) != 0;
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased == 0x7FF) {
    if (fraction == 0) return {Infinity(negative), kNoFlags};
    const bool signalling = (fraction & (std::uint64_t{1} << 51)) == 0;
    return {FromBits(static_cast<std::uint16_t>(SignWord(negative) | Traits::kMaxBiasedExponent),
                     Traits::kIntegerBit | Traits::kQuietBit | (fraction << 11)),
            signalling ? kInvalid : kNoFlags};
  }
  if (biased == 0) {
    if (fraction == 0) return {Zero(negative), kNoFlags};
    const int shift = std::countl_zero(fraction);  // a double denormal is an extended normal
    return Canonical({negative, -1011 - shift, fraction << shift});
  }
  return Canonical({negative, biased - 1023, Traits::kIntegerBit | (fraction << 11)});
}

Extended Extended::FromUint64(std::uint64_t value) {
  if (value == 0) return {};
  const int shift = std::countl_zero(value);
  return FromBits(static_cast<std::uint16_t>(63 - shift + Traits::kExponentBias), value << shift);
}

Extended Extended::FromInt64(std::int64_t value) {
  const auto magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  const Extended v = FromUint64(magnitude);
  return value < 0 ? -v : v;
}

ExtendedClass Extended::Classify() const {
  switch (KindOf(*this)) {
    case Kind::Zero: return ExtendedClass::Zero;
    case Kind::Finite:
      return (sign_exponent_ & Traits::kExponentMask) == 0 ? ExtendedClass::Denormal : ExtendedClass::Normal;
    case Kind::Infinity: return ExtendedClass::Infinity;
    default: return ExtendedClass::NaN;
  }
}

int Extended::BinaryExponent() const {
  switch (KindOf(*this)) {
    case Kind::Finite: return Unpack(*this).exponent;
    case Kind::Infinity: return INT_MAX;
    default: return INT_MIN;
  }
}

WithFlags<Extended> Extended::RoundToInteger() const {
  const Kind k = KindOf(*this);
  if (IsNaNOrUnsupported(k)) return NaNResult(*this, k, *this, k);
  if (k != Kind::Finite) return {*this, kNoFlags};
  const Unpacked u = Unpack(*this);
  if (u.exponent >= 63) return {*this, kNoFlags};  // no fraction bits left
  const ShiftedBits r = ShiftRightRounded(u.significand, 0, 63 - u.exponent);
  const Extended magnitude = FromUint64(r.kept);
  return {u.negative ? -magnitude : magnitude,
          r.inexact ? ExtendedFlags{ExtendedFlags::kInexact} : kNoFlags};
}

WithFlags<double> Extended::ToDouble() const {
  const std::uint64_t sign = Negative() ? std::uint64_t{1} << 63 : 0;
  constexpr std::uint64_t kExponentField = std::uint64_t{0x7FF} << 52;
  switch (KindOf(*this)) {
    case Kind::Zero: return {std::bit_cast<double>(sign), kNoFlags};
    case Kind::Infinity: return {std::bit_cast<double>(sign | kExponentField), kNoFlags};
    case Kind::Unsupported:
      return {std::bit_cast<double>((std::uint64_t{1} << 63) | kExponentField | (std::uint64_t{1} << 51)), kInvalid};
    case Kind::QuietNaN:
    case Kind::SignallingNaN: {
      // The payload's top 51 bits stay; the quiet bit is set.
      const std::uint64_t fraction = ((significand_ << 1) >> 12) | (std::uint64_t{1} << 51);
      return {std::bit_cast<double>(sign | kExponentField | fraction),
              (significand_ & Traits::kQuietBit) != 0 ? kNoFlags : kInvalid};
    }
    case Kind::Finite: break;
  }
  const Unpacked u = Unpack(*this);
  const Rounded r = Round(kDoubleFormat, u.exponent, u.significand, 0);
  if (r.exponent > kDoubleFormat.max_exponent) return {std::bit_cast<double>(sign | kExponentField), r.flags};
  const bool normal = (r.significand >> 52) != 0;
  const std::uint64_t biased = normal ? static_cast<std::uint64_t>(r.exponent + 1023) : 0;
  const std::uint64_t fraction = r.significand & ((std::uint64_t{1} << 52) - 1);
  return {std::bit_cast<double>(sign | (biased << 52) | fraction), r.flags};
}

std::uint64_t Extended::ToUint64() const {
  if (KindOf(*this) != Kind::Finite || Negative()) return 0;
  const Unpacked u = Unpack(*this);
  if (u.exponent < 0 || u.exponent > 63) return 0;
  return u.significand >> (63 - u.exponent);
}

WithFlags<Extended> Add(Extended a, Extended b) { return AddSigned(a, b, false); }

WithFlags<Extended> Subtract(Extended a, Extended b) { return AddSigned(a, b, true); }

WithFlags<Extended> Multiply(Extended a, Extended b) {
  const Kind ka = KindOf(a), kb = KindOf(b);
  if (IsNaNOrUnsupported(ka) || IsNaNOrUnsupported(kb)) return NaNResult(a, ka, b, kb);
  const bool negative = a.Negative() != b.Negative();
  if (ka == Kind::Infinity || kb == Kind::Infinity) {
    if (ka == Kind::Zero || kb == Kind::Zero) return {kDefaultNaN, kInvalid};
    return {Extended::Infinity(negative), kNoFlags};
  }
  if (ka == Kind::Zero || kb == Kind::Zero) return {Zero(negative), kNoFlags};
  const Unpacked x = Unpack(a), y = Unpack(b);
  std::uint64_t high = 0, low = 0;
  Multiply64(x.significand, y.significand, high, low);
  // The product of two significands in [2^63, 2^64) lies in [2^126, 2^128).
  int exponent = x.exponent + y.exponent + 1;
  if ((high >> 63) == 0) {
    high = (high << 1) | (low >> 63);
    low <<= 1;
    --exponent;
  }
  return RoundToExtended(negative, exponent, high, low);
}

WithFlags<Extended> Divide(Extended a, Extended b) {
  const Kind ka = KindOf(a), kb = KindOf(b);
  if (IsNaNOrUnsupported(ka) || IsNaNOrUnsupported(kb)) return NaNResult(a, ka, b, kb);
  const bool negative = a.Negative() != b.Negative();
  if (ka == Kind::Infinity) {
    if (kb == Kind::Infinity) return {kDefaultNaN, kInvalid};
    return {Extended::Infinity(negative), kNoFlags};
  }
  if (kb == Kind::Infinity) return {Zero(negative), kNoFlags};
  if (kb == Kind::Zero) {
    if (ka == Kind::Zero) return {kDefaultNaN, kInvalid};
    return {Extended::Infinity(negative), ExtendedFlags{ExtendedFlags::kDivisionByZero}};
  }
  if (ka == Kind::Zero) return {Zero(negative), kNoFlags};
  const Unpacked x = Unpack(a), y = Unpack(b);
  // The dividend scaled so that the quotient lies in [2^63, 2^64).
  std::uint64_t remainder = 0;
  int exponent = x.exponent - y.exponent;
  std::uint64_t quotient = 0;
  if (x.significand >= y.significand) {
    quotient = Divide128(x.significand >> 1, x.significand << 63, y.significand, remainder);
  } else {
    quotient = Divide128(x.significand, 0, y.significand, remainder);
    --exponent;
  }
  // The remainder as the bits below the quotient: the half bit (2r >= divisor)
  // and whether anything else is left.
  const std::uint64_t rest = y.significand - remainder;
  const std::uint64_t low =
      (remainder >= rest ? Traits::kIntegerBit : 0) | (remainder != 0 && remainder != rest ? 1 : 0);
  return RoundToExtended(negative, exponent, quotient, low);
}

std::partial_ordering operator<=>(Extended a, Extended b) {
  const Kind ka = KindOf(a), kb = KindOf(b);
  if (IsNaNOrUnsupported(ka) || IsNaNOrUnsupported(kb)) return std::partial_ordering::unordered;
  // Magnitudes in order: zero, finite by exponent then significand, infinity.
  const auto magnitude = [](Extended v, Kind k) {
    if (k == Kind::Zero) return std::pair{INT_MIN, std::uint64_t{0}};
    if (k == Kind::Infinity) return std::pair{INT_MAX, std::uint64_t{0}};
    const Unpacked u = Unpack(v);
    return std::pair{u.exponent, u.significand};
  };
  const bool na = a.Negative() && ka != Kind::Zero, nb = b.Negative() && kb != Kind::Zero;
  if (na != nb) return na ? std::partial_ordering::less : std::partial_ordering::greater;
  const std::strong_ordering order = magnitude(a, ka) <=> magnitude(b, kb);
  return na ? (0 <=> order) : order;
}

}  // namespace numira
