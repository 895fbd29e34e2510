// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The extended arithmetic on this CPU: the corners by hand, and a long
// generated stream whose outcomes must fold to the x87 unit's digest.

#include "core/extended.h"

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <gtest/gtest.h>

#include "extended_cases.h"

namespace numira {
namespace {

TEST(SystemInfo, PrintsTheCpuByteOrderAndCompiler) {
#if defined(__x86_64__)
  const char* cpu = "x86-64";
#elif defined(__i386__)
  const char* cpu = "i386";
#elif defined(__aarch64__)
  const char* cpu = "arm64";
#elif defined(__arm__)
  const char* cpu = "arm (32-bit)";
#elif defined(__s390x__)
  const char* cpu = "s390x";
#elif defined(__powerpc64__)
  const char* cpu = "ppc64";
#elif defined(__riscv)
  const char* cpu = "riscv";
#else
  const char* cpu = "other";
#endif
  const std::uint32_t word = 0x01020304;
  unsigned char first_byte = 0;
  std::memcpy(&first_byte, &word, 1);
  const bool big_endian = first_byte == 0x01;
  std::printf("cpu %s, %s-endian, %zu-bit pointers, compiler %s\n", cpu, big_endian ? "big" : "little",
              sizeof(void*) * 8, __VERSION__);
  // The conversions read doubles by their bits: IEEE binary64 in the CPU's
  // own byte order, which the build must have known.
  EXPECT_EQ(big_endian, std::endian::native == std::endian::big);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(-1.5), 0xBFF8000000000000u);
}

TEST(ExtendedArithmetic, GivesTheX87OutcomeAtEveryCorner) {
  for (const testing::EdgeCase& e : testing::EdgeCases()) {
    EXPECT_EQ(testing::SoftOutcome(e.c), e.expected) << e.what;
  }
}

TEST(ExtendedArithmetic, AGeneratedStreamFoldsToTheX87Digest) {
  EXPECT_EQ(testing::StreamDigest(testing::SoftOutcome), testing::kX87StreamDigest);
}

}  // namespace
}  // namespace numira
