// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Any bytes either parse to a value or give the conversion error, and the
// caller's floating-point environment is the same afterwards.

#include <cfenv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/numtext.h"

namespace {

struct FloatState {
  int flags;
  int rounding;
  std::uint16_t x87_control;
  std::uint32_t sse_control;
  bool operator==(const FloatState&) const = default;
};

FloatState CurrentFloatState() {
  FloatState state{};
  state.flags = std::fetestexcept(FE_ALL_EXCEPT);
  state.rounding = std::fegetround();
  asm volatile("fnstcw %0" : "=m"(state.x87_control));
  asm volatile("stmxcsr %0" : "=m"(state.sse_control));
  state.sse_control &= ~0x3Fu;  // the status bits are compared through `flags`
  return state;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // Leave one unrelated flag raised, as a caller might.
  std::feclearexcept(FE_ALL_EXCEPT);
  std::feraiseexcept(FE_DIVBYZERO);
  const FloatState before = CurrentFloatState();
  bool accepted = false;
  numira::Extended value = 0;
  try {
    value = numira::ParseNumberText(text, numira::Separators{});
    accepted = true;
  } catch (const numira::ConversionError&) {
  }
  if (!(CurrentFloatState() == before)) std::abort();
  if (accepted) {
    // An accepted value is a number within the extended range.
    if (std::isnan(value) || std::isinf(value)) std::abort();
    // Its texts read back, and rounding to double fails only by overflow.
    try {
      const double d = numira::RoundToDouble(value);
      numira::ParseNumberText(numira::FormatGeneralText(d, {}), {});
      numira::FormatResultText(d, {});
    } catch (const numira::FloatOverflowError&) {
      if (std::fabs(value) <= 1.7976931348623157e308L) std::abort();
    }
  }
  std::feclearexcept(FE_ALL_EXCEPT);
  return 0;
}
