// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Test support: runs code at another x87 precision than the 64 bits a
// program on Linux starts with, as a program on Windows x64 may start at 53.

#include <cstdint>

namespace numira {

inline std::uint16_t X87ControlWord() {
  std::uint16_t word = 0;
  asm volatile("fnstcw %0" : "=m"(word) : : "memory");
  return word;
}

inline void SetX87ControlWord(std::uint16_t word) { asm volatile("fldcw %0" : : "m"(word) : "memory"); }

// The precision-control bits (8 and 9) of the x87 control word.
inline constexpr std::uint16_t kX87PrecisionMask = 0x0300;
inline constexpr std::uint16_t kX87Precision53 = 0x0200;

// Sets the x87 precision bits for the life of the object.
class X87PrecisionScope {
 public:
  explicit X87PrecisionScope(std::uint16_t precision_bits) : saved_(X87ControlWord()) {
    SetX87ControlWord(static_cast<std::uint16_t>((saved_ & ~kX87PrecisionMask) | precision_bits));
  }
  ~X87PrecisionScope() { SetX87ControlWord(saved_); }
  X87PrecisionScope(const X87PrecisionScope&) = delete;
  X87PrecisionScope& operator=(const X87PrecisionScope&) = delete;

 private:
  std::uint16_t saved_;
};

}  // namespace numira
