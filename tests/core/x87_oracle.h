// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Test support on x86 only: the x87 unit as the oracle of Extended. Each case
// runs on the hardware's own 80-bit format (`long double` with g++, clang and
// mingw-w64 there) and comes back as the same Outcome as SoftOutcome, flags
// read from the x87 status word.
//
// Operands reach the hardware through volatile variables, so the compiler can
// neither fold an operation on constants nor move it away from the flag
// reads around it.

#if !defined(__x86_64__) && !defined(__i386__)
#error "the x87 oracle needs an x86 CPU"
#endif

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "extended_cases.h"

namespace numira::testing {

static_assert(std::numeric_limits<long double>::digits == 64, "long double must be the x87 format");

// 64-bit precision, rounding to nearest, every exception masked, for the
// life of the object: what the oracle needs whatever the program started
// with (Windows x64 starts at 53 bits).
class X87Environment {
 public:
  X87Environment() {
    asm volatile("fnstcw %0" : "=m"(saved_) : : "memory");
    const std::uint16_t oracle = 0x037F;
    asm volatile("fldcw %0" : : "m"(oracle) : "memory");
  }
  ~X87Environment() { asm volatile("fldcw %0" : : "m"(saved_) : "memory"); }
  X87Environment(const X87Environment&) = delete;
  X87Environment& operator=(const X87Environment&) = delete;

 private:
  std::uint16_t saved_ = 0;
};

// The x86 byte order: significand first, then the sign and exponent word.
inline long double ToLongDouble(Extended v) {
  unsigned char bytes[sizeof(long double)] = {};
  const std::uint64_t significand = v.Significand();
  const std::uint16_t sign_exponent = v.SignExponent();
  std::memcpy(bytes, &significand, 8);
  std::memcpy(bytes + 8, &sign_exponent, 2);
  long double x;
  std::memcpy(&x, bytes, sizeof x);
  return x;
}

inline Extended FromLongDouble(long double x) {
  unsigned char bytes[sizeof(long double)];
  std::memcpy(bytes, &x, sizeof x);
  std::uint64_t significand = 0;
  std::uint16_t sign_exponent = 0;
  std::memcpy(&significand, bytes, 8);
  std::memcpy(&sign_exponent, bytes + 8, 2);
  return Extended::FromBits(sign_exponent, significand);
}

inline void ClearX87Flags() { asm volatile("fnclex" : : : "memory"); }

inline std::uint8_t X87Flags() {
  std::uint16_t status = 0;
  asm volatile("fnstsw %0" : "=m"(status) : : "memory");
  return static_cast<std::uint8_t>(status & ExtendedFlags::kAll);
}

// The case on the x87 unit. Call it inside an X87Environment.
inline Outcome HardwareOutcome(const Case& c) {
  const volatile long double a = ToLongDouble(c.a);
  const volatile long double b = ToLongDouble(c.b);
  const auto extended = [](const volatile long double& r) {
    const std::uint8_t flags = X87Flags();
    const Extended v = FromLongDouble(r);
    return Outcome{v.SignExponent(), v.Significand(), flags};
  };
  const auto to_double = [](long double r) {
    const volatile double d = static_cast<double>(r);
    const std::uint8_t flags = X87Flags();
    return Outcome{0, DoubleBits(d), flags};
  };
  ClearX87Flags();
  switch (c.op) {
    case Operation::Add: { const volatile long double r = a + b; return extended(r); }
    case Operation::Subtract: { const volatile long double r = a - b; return extended(r); }
    case Operation::Multiply: { const volatile long double r = a * b; return extended(r); }
    case Operation::Divide: { const volatile long double r = a / b; return extended(r); }
    case Operation::RoundToInteger: {
      long double x = a;
      asm volatile("frndint" : "+t"(x));
      const volatile long double r = x;
      return extended(r);
    }
    case Operation::ToDouble: return to_double(a);
    case Operation::BinaryExponent: {
      // ilogb's values for zero, infinity and NaN differ between C libraries.
      const ExtendedClass k = c.a.Classify();
      if (k != ExtendedClass::Normal && k != ExtendedClass::Denormal) return SoftOutcome(c);
      return {0, static_cast<std::uint64_t>(std::ilogb(a)), 0};
    }
    case Operation::ToUint64: {
      // Undefined beyond [0, 2^64): those give 0 by the type's own rule.
      if (!FitsUint64(c.a)) return {0, 0, 0};
      return {0, static_cast<std::uint64_t>(a), 0};
    }
    case Operation::Compare: {
      const long double x = a, y = b;
      return {0, x < y ? 0u : x == y ? 1u : x > y ? 2u : 3u, 0};
    }
    case Operation::FromDouble: {
      // Loaded straight from the bits in memory: a double copied on the way
      // (i386 copies through the x87 unit) would arrive quiet.
      const std::uint64_t bits = c.a.Significand();
      long double x;
      asm volatile("fldl %1" : "=t"(x) : "m"(bits));
      const volatile long double r = x;
      return extended(r);
    }
    case Operation::FromInt64: {
      const volatile std::int64_t n = static_cast<std::int64_t>(c.a.Significand());
      const volatile long double r = n;
      return extended(r);
    }
    case Operation::EngineAdd: return to_double(a + b);
    case Operation::EngineSubtract: return to_double(a - b);
    case Operation::EngineMultiply: return to_double(a * b);
    case Operation::EngineDivide: return to_double(a / b);
    case Operation::kCount: break;
  }
  return {};
}

}  // namespace numira::testing
