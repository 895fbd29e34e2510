// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Cost of the number conversions and of one calculator operation per call,
// beside glibc's strtold and snprintf on the same values for scale.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/calc.h"
#include "core/numtext.h"
#include "core/text_surroundings.h"

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

}  // namespace

BENCHMARK_MAIN();
