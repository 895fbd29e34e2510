// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Every operation of Extended against the x87 unit (x86 only): the same bits
// and the same flags, or the run stops with both outcomes printed.
//
// Input: the first byte picks the form. Below 0x80 it names the operation,
// and the next 20 bytes are the two operands as raw 80-bit patterns (any
// encoding, missing bytes zero). From 0x80 on the rest of the input seeds the
// structured case generator of the tests, whose next 64 cases are run.

#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "extended_cases.h"
#include "x87_oracle.h"

namespace {

using numira::Extended;
using namespace numira::testing;

void Check(const Case& c) {
  const Outcome soft = SoftOutcome(c), hard = HardwareOutcome(c);
  if (soft == hard) return;
  std::fprintf(stderr, "operation %d a %04x %016" PRIx64 " b %04x %016" PRIx64 "\n", static_cast<int>(c.op), c.a.SignExponent(),
              c.a.Significand(), c.b.SignExponent(), c.b.Significand());
  std::fprintf(stderr, "soft %04x %016" PRIx64 " flags %02x\nx87  %04x %016" PRIx64 " flags %02x\n", soft.sign_exponent,
              soft.bits, soft.flags, hard.sign_exponent, hard.bits, hard.flags);
  std::abort();
}

// An 80-bit pattern from up to 10 bytes, least significant first.
Extended ReadOperand(const std::uint8_t* data, std::size_t size) {
  std::uint64_t significand = 0;
  std::uint16_t sign_exponent = 0;
  for (std::size_t i = 0; i < 10 && i < size; ++i) {
    if (i < 8) {
      significand |= std::uint64_t{data[i]} << (8 * i);
    } else {
      sign_exponent = static_cast<std::uint16_t>(sign_exponent | data[i] << (8 * (i - 8)));
    }
  }
  return Extended::FromBits(sign_exponent, significand);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const X87Environment environment;
  if (data[0] < 0x80) {
    const auto op = static_cast<Operation>(data[0] % static_cast<unsigned>(Operation::kCount));
    const std::size_t rest = size - 1;
    const Extended a = ReadOperand(data + 1, rest);
    const Extended b = rest > 10 ? ReadOperand(data + 11, rest - 10) : Extended();
    Check({op, a, b});
    return 0;
  }
  std::uint64_t seed = 0xCBF29CE484222325;
  for (std::size_t i = 1; i < size; ++i) seed = (seed ^ data[i]) * 0x100000001B3;
  CaseGenerator generator(seed);
  for (int i = 0; i < 64; ++i) Check(generator.Next());
  return 0;
}
