// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Any bytes either parse to a number within the extended range or give the
// conversion error; an accepted value's texts read back, and rounding it to
// double fails only by overflow.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/numtext.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  numira::Extended value;
  try {
    value = numira::ParseNumberText(text, numira::Separators{});
  } catch (const numira::ConversionError&) {
    return 0;
  }
  const numira::ExtendedClass kind = value.Classify();
  if (kind == numira::ExtendedClass::NaN || kind == numira::ExtendedClass::Infinity) std::abort();
  try {
    const double d = numira::RoundToDouble(value);
    numira::ParseNumberText(numira::FormatGeneralText(d, {}), {});
    numira::FormatResultText(d, {});
  } catch (const numira::FloatOverflowError&) {
    if (value.Abs() <= numira::Extended(1.7976931348623157e308)) std::abort();
  }
  return 0;
}
