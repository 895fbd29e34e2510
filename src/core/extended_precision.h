// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The x87 precision that the extended arithmetic needs. The x87 unit rounds
// every long double operation to the precision in its control word, and a
// program may start with 53 bits there instead of 64 (the Windows x64 ABI
// allows it; a host program or a library may set it). At 53 bits the last
// digits of the texts change: 12345678901234.56 would show ...56000 instead
// of ...56060. So every core function that computes in extended holds one of
// these for as long as it computes.
//
//   {
//     const ExtendedPrecision precision;  // 64 bits from here on
//     result = ComputeInExtended(...);    // a call the compiler cannot move
//   }                                     // the caller's control word again
//
// Only the precision bits change; rounding and exception masks stay as the
// caller has them. The work should sit in a separate, not inlined function:
// the compiler keeps calls in order around the control-word instructions,
// but may move plain register arithmetic across them.

#include <cstdint>

#if !defined(__x86_64__) && !defined(__i386__)
#error "the extended arithmetic needs the x87 unit (x86 or x86-64)"
#endif

namespace numira {

class ExtendedPrecision {
 public:
  ExtendedPrecision() {
    asm volatile("fnstcw %0" : "=m"(caller_) : : "memory");
    const auto full = static_cast<std::uint16_t>(caller_ | kPrecisionBits);
    if (full != caller_) asm volatile("fldcw %0" : : "m"(full) : "memory");
  }
  ~ExtendedPrecision() {
    if ((caller_ & kPrecisionBits) != kPrecisionBits) asm volatile("fldcw %0" : : "m"(caller_) : "memory");
  }
  ExtendedPrecision(const ExtendedPrecision&) = delete;
  ExtendedPrecision& operator=(const ExtendedPrecision&) = delete;

 private:
  // Bits 8 and 9 of the control word: 00 24-bit, 10 53-bit, 11 64-bit.
  static constexpr std::uint16_t kPrecisionBits = 0x0300;
  std::uint16_t caller_ = 0;
};

}  // namespace numira
