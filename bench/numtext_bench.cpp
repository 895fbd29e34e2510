// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Cost of the number conversions and of one calculator operation per call,
// beside glibc's strtold and snprintf on the same values for scale, and on
// x86 the software extended arithmetic beside the x87 unit's.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/calc.h"
#include "core/extended.h"
#include "core/numtext.h"
#include "core/pow10_tables.h"
#include "core/text_surroundings.h"
#if defined(__x86_64__) || defined(__i386__)
#include "x87_oracle.h"
#endif

namespace {

const std::string& TypicalText() {
  static const std::string text = "12345.678";
  return text;
}

// 17 significant digits: a double typed back in full.
const std::string& SeventeenDigits() {
  static const std::string text = "0.12345678901234567";
  return text;
}

// 400 digits: the longest operands people paste still parse in one pass.
const std::string& LongText() {
  static const std::string text = [] {
    std::string s;
    for (int i = 0; i < 400; ++i) {
      if (i == 200) s += '.';
      s += static_cast<char>('1' + i % 9);
    }
    return s;
  }();
  return text;
}

void BM_ParseNumberText(benchmark::State& state, const std::string& text) {
  for (auto _ : state) benchmark::DoNotOptimize(numira::ParseNumberText(text, {}));
}
void BM_Strtold(benchmark::State& state, const std::string& text) {
  for (auto _ : state) benchmark::DoNotOptimize(std::strtold(text.c_str(), nullptr));
}
BENCHMARK_CAPTURE(BM_ParseNumberText, typical, TypicalText());
BENCHMARK_CAPTURE(BM_Strtold, typical, TypicalText());
BENCHMARK_CAPTURE(BM_ParseNumberText, digits17, SeventeenDigits());
BENCHMARK_CAPTURE(BM_Strtold, digits17, SeventeenDigits());
BENCHMARK_CAPTURE(BM_ParseNumberText, digits400, LongText());
BENCHMARK_CAPTURE(BM_Strtold, digits400, LongText());

void BM_FormatResultText(benchmark::State& state, double value) {
  for (auto _ : state) benchmark::DoNotOptimize(numira::FormatResultText(value, {}));
}
void BM_FormatGeneralText(benchmark::State& state, double value) {
  for (auto _ : state) benchmark::DoNotOptimize(numira::FormatGeneralText(value, {}));
}
void BM_SnprintfFiveDecimals(benchmark::State& state, double value) {
  char buffer[512];
  for (auto _ : state) {
    std::snprintf(buffer, sizeof buffer, "%.5Lf", static_cast<long double>(value));
    benchmark::DoNotOptimize(buffer);
  }
}
BENCHMARK_CAPTURE(BM_FormatResultText, typical, 12345.678);
BENCHMARK_CAPTURE(BM_FormatGeneralText, typical, 12345.678);
BENCHMARK_CAPTURE(BM_SnprintfFiveDecimals, typical, 12345.678);
BENCHMARK_CAPTURE(BM_FormatResultText, e200, 1.2345678e200);
BENCHMARK_CAPTURE(BM_FormatGeneralText, e200, 1.2345678e200);
BENCHMARK_CAPTURE(BM_SnprintfFiveDecimals, e200, 1.2345678e200);

// One division of the engine (the quotient in extended, rounded to double).
void BM_EngineDivision(benchmark::State& state) {
  double left = 12345.678, right = 3.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(left);
    benchmark::DoNotOptimize(right);
    benchmark::DoNotOptimize(numira::Calculator::warizan(left, right));
  }
}
BENCHMARK(BM_EngineDivision);

// "12345.678 * 3 =" through the engine: two parses, one operation, one
// result format, as one "=" after typing costs.
void BM_EngineMultiplyEquals(benchmark::State& state) {
  numira::TextSurroundings surroundings;
  numira::Calculator calculator(surroundings);
  for (auto _ : state) {
    calculator.clia();
    calculator.tenki("12345.678");
    calculator.fugounyuryok('*');
    calculator.tenki("3");
    calculator.wakeisan();
    benchmark::DoNotOptimize(surroundings.display);
  }
}
BENCHMARK(BM_EngineMultiplyEquals);

// The single operations, on operands the compiler cannot see.
numira::Extended Operand(double d) {
  benchmark::DoNotOptimize(d);
  return numira::Extended(d);
}
template <typename Operation>
void RunInSoftware(benchmark::State& state, double left, double right, Operation operation) {
  numira::Extended a = Operand(left), b = Operand(right);
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
    benchmark::DoNotOptimize(operation(a, b));
  }
}
void BM_ExtendedAdd(benchmark::State& state) { RunInSoftware(state, 12345.678, 0.1, numira::Add); }
void BM_ExtendedMultiply(benchmark::State& state) { RunInSoftware(state, 12345.678, 0.1, numira::Multiply); }
void BM_ExtendedDivide(benchmark::State& state) { RunInSoftware(state, 12345.678, 3.0, numira::Divide); }
void BM_ExtendedToDouble(benchmark::State& state) {
  numira::Extended a = numira::Extended(1.0) / Operand(3.0);
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(a.ToDouble());
  }
}
BENCHMARK(BM_ExtendedAdd);
BENCHMARK(BM_ExtendedMultiply);
BENCHMARK(BM_ExtendedDivide);
BENCHMARK(BM_ExtendedToDouble);

#if defined(__x86_64__) || defined(__i386__)
// The same on the x87 unit, with 64-bit precision set.
template <typename Operation>
void RunOnX87(benchmark::State& state, double left, double right, Operation operation) {
  const numira::testing::X87Environment environment;
  long double a = left, b = right;
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
    long double r = operation(a, b);
    benchmark::DoNotOptimize(r);
  }
}
void BM_X87Add(benchmark::State& state) {
  RunOnX87(state, 12345.678, 0.1, [](long double a, long double b) { return a + b; });
}
void BM_X87Multiply(benchmark::State& state) {
  RunOnX87(state, 12345.678, 0.1, [](long double a, long double b) { return a * b; });
}
void BM_X87Divide(benchmark::State& state) {
  RunOnX87(state, 12345.678, 3.0, [](long double a, long double b) { return a / b; });
}
void BM_X87ToDouble(benchmark::State& state) {
  const numira::testing::X87Environment environment;
  long double a = 1.0L / Operand(3.0).ToDouble().value;
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(static_cast<double>(a));
  }
}
// The engine's division on the x87 unit: extended quotient rounded to double.
void BM_X87EngineDivision(benchmark::State& state) {
  const numira::testing::X87Environment environment;
  double left = 12345.678, right = 3.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(left);
    benchmark::DoNotOptimize(right);
    benchmark::DoNotOptimize(static_cast<double>(static_cast<long double>(left) / right));
  }
}
// The parser's arithmetic on the x87 unit (m = m * 10 + d, then one division
// per table): what ParseNumberText computed before it was in software, for
// the 17-digit text.
void BM_X87ParseArithmetic(benchmark::State& state) {
  const numira::testing::X87Environment environment;
  const std::string& text = SeventeenDigits();
  const long double scale = numira::testing::ToLongDouble(numira::pow10::kSmall[17]);
  for (auto _ : state) {
    long double m = 0;
    for (char c : text) {
      if (c == '.') continue;
      m = m * 10;
      m = m + static_cast<long double>(c - '0');
    }
    benchmark::DoNotOptimize(static_cast<double>(m / scale));
  }
}
BENCHMARK(BM_X87Add);
BENCHMARK(BM_X87Multiply);
BENCHMARK(BM_X87Divide);
BENCHMARK(BM_X87ToDouble);
BENCHMARK(BM_X87EngineDivision);
BENCHMARK(BM_X87ParseArithmetic);
#endif

}  // namespace

BENCHMARK_MAIN();
