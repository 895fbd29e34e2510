// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The long check of Extended against the x87 unit, outside the test suite:
// a fixed-seed stream of generated cases (every operation, the corners of
// the format, the parser's digit chains and scalings, the engine's double
// operations) run through both, demanding identical bits and flags.
//
//   build/bench/extended_sweep [COUNT [SEED]]    default 200000000 cases
//
// Prints the cases per operation, the mismatches (the first ones in full)
// and the time; exits 1 on any mismatch.

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "extended_cases.h"
#include "x87_oracle.h"

namespace {

using numira::testing::Case;
using numira::testing::Operation;
using numira::testing::Outcome;

const char* const kNames[] = {"Add", "Subtract", "Multiply", "Divide", "RoundToInteger", "ToDouble",
                              "BinaryExponent", "ToUint64", "Compare", "FromDouble", "FromInt64",
                              "EngineAdd", "EngineSubtract", "EngineMultiply", "EngineDivide"};
constexpr int kOperations = static_cast<int>(Operation::kCount);
static_assert(sizeof kNames / sizeof kNames[0] == kOperations);

void PrintOutcome(const char* who, const Outcome& o) {
  std::printf("  %-8s %04x %016" PRIx64 " flags %02x\n", who, o.sign_exponent, o.bits, o.flags);
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint64_t count = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200000000;
  const std::uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20261208;
  const numira::testing::X87Environment environment;
  numira::testing::CaseGenerator generator(seed);
  std::uint64_t cases[kOperations] = {}, mismatches[kOperations] = {}, total_mismatches = 0;

  const auto start = std::chrono::steady_clock::now();
  for (std::uint64_t i = 0; i < count; ++i) {
    const Case c = generator.Next();
    const Outcome soft = numira::testing::SoftOutcome(c);
    const Outcome hard = numira::testing::HardwareOutcome(c);
    const int op = static_cast<int>(c.op);
    ++cases[op];
    if (soft == hard) continue;
    ++mismatches[op];
    if (++total_mismatches <= 20) {
      std::printf("mismatch %s a %04x %016" PRIx64 " b %04x %016" PRIx64 "\n", kNames[op], c.a.SignExponent(),
                  c.a.Significand(), c.b.SignExponent(), c.b.Significand());
      PrintOutcome("soft", soft);
      PrintOutcome("x87", hard);
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  for (int op = 0; op < kOperations; ++op) {
    std::printf("%-16s %12" PRIu64 " cases %8" PRIu64 " mismatches\n", kNames[op], cases[op], mismatches[op]);
  }
  std::printf("seed %" PRIu64 ": %" PRIu64 " cases, %" PRIu64 " mismatches, %.1f s\n", seed, count,
              total_mismatches, seconds);
  return total_mismatches == 0 ? 0 : 1;
}
