// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Any bytes give a 32-bit value or the default, the throwing reader agrees
// with the defaulting one, and every formatted integer reads back.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "core/numtext.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::int32_t with_zero = numira::ParseIntegerTextOr(text, 0);
  const std::int32_t with_one = numira::ParseIntegerTextOr(text, 1);
  const bool valid = with_zero == with_one;
  try {
    const std::int32_t value = numira::ParseIntegerText(text);
    if (!valid || value != with_zero) std::abort();
  } catch (const numira::ConversionError&) {
    if (valid) std::abort();
  }
  if (size >= 4) {
    std::int32_t n;
    std::memcpy(&n, data, sizeof n);
    if (numira::ParseIntegerText(numira::FormatIntegerText(n)) != n) std::abort();
  }
  return 0;
}
