// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Built on x86 only: the x87 unit as the judge of the extended arithmetic
// and of the expectations the other CPUs are held to.

#include <cstdint>

#include <gtest/gtest.h>

#include "extended_cases.h"
#include "x87_oracle.h"

namespace numira::testing {
namespace {

TEST(ExtendedX87, GivesTheExpectedOutcomeAtEveryCorner) {
  const X87Environment environment;
  for (const EdgeCase& e : EdgeCases()) {
    EXPECT_EQ(HardwareOutcome(e.c), e.expected) << e.what;
  }
}

TEST(ExtendedX87, TheStreamDigestIsTheHardwares) {
  const X87Environment environment;
  EXPECT_EQ(StreamDigest(HardwareOutcome), kX87StreamDigest);
}

// Case by case, so that a fault shows its operands (the digest only says
// that something differs).
TEST(ExtendedX87, SoftwareAndHardwareAgreeCaseByCase) {
  const X87Environment environment;
  CaseGenerator generator(kStreamSeed + 1);
  int mismatches = 0;
  for (int i = 0; i < 1000000 && mismatches < 10; ++i) {
    const Case c = generator.Next();
    const Outcome soft = SoftOutcome(c), hard = HardwareOutcome(c);
    if (soft == hard) continue;
    ++mismatches;
    ADD_FAILURE() << "operation " << int{static_cast<std::uint8_t>(c.op)} << std::hex << ", a "
                  << c.a.SignExponent() << ' ' << c.a.Significand() << ", b " << c.b.SignExponent() << ' '
                  << c.b.Significand() << ": soft " << ::testing::PrintToString(soft) << ", x87 "
                  << ::testing::PrintToString(hard);
  }
}

}  // namespace
}  // namespace numira::testing
