// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Keys per second through the tape: a long random key stream, and typing one
// very long operand (each key appends to the display, so a key costs the same
// whatever the operand's length).

#include <benchmark/benchmark.h>

#include <cstddef>
#include <exception>
#include <random>
#include <string>
#include <string_view>

#include "core/calc.h"
#include "core/numtext.h"
#include "core/tape.h"
#include "core/text_surroundings.h"

namespace {

// A display that only remembers the length: what the engine and the tape
// cost without the copy of the text into a display.
class LengthOnlySurroundings : public numira::EngineSurroundings {
 public:
  std::string DisplayText() const override { return std::string(length_, '0'); }
  void SetDisplayText(const std::string& text) override { length_ = text.size(); }
  void AppendDisplayText(std::string_view text) override { length_ += text.size(); }
  void SetApplicationTitle(const std::string&) override {}
  void FocusEquals() override {}

 private:
  std::size_t length_ = 0;
};

// Mostly digits, with operators, "=", points, sign changes, "000", and now and
// then a backspace or a clear, so that operands stay of ordinary length.
std::string RandomKeys(std::size_t count) {
  static const std::string kKeys =
      "0123456789012345678901234567890123456789+-*/=.pz+-*/=\b\x01";
  std::mt19937 random(20240611u);
  std::uniform_int_distribution<std::size_t> pick(0, kKeys.size() - 1);
  std::string keys;
  keys.reserve(count);
  for (std::size_t i = 0; i < count; ++i) keys += kKeys[pick(random)];
  return keys;
}

void TypeKeys(numira::Tape& tape, const std::string& keys) {
  for (char key : keys) {
    try {
      if (key == '\b') {
        tape.PressKey(numira::NamedKey::Backspace);
      } else if (key == '\x01') {
        tape.PressKey(numira::NamedKey::Home);
      } else {
        tape.TypeCharacter(static_cast<unsigned char>(key));
      }
    } catch (const numira::FloatOverflowError&) {
      // As in the window: the action ends, the next key goes on.
    }
  }
}

void BM_TapeRandomKeyStream(benchmark::State& state) {
  const std::string keys = RandomKeys(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    numira::TextSurroundings out;
    numira::Calculator engine(out);
    numira::Tape tape(engine, out);
    engine.clia();
    TypeKeys(tape, keys);
    benchmark::DoNotOptimize(tape.Lines().size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TapeRandomKeyStream)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// Types n digits into one operand, one key at a time, on a string display.
template <class Surroundings>
void TypeLongOperand(benchmark::State& state) {
  const auto digits = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    Surroundings out;
    numira::Calculator engine(out);
    numira::Tape tape(engine, out);
    engine.clia();
    for (std::size_t i = 0; i < digits; ++i) tape.Perform(numira::Action::Digit7);
    benchmark::DoNotOptimize(engine.LeftText().size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetComplexityN(state.range(0));
}

void BM_TypeLongOperandStringDisplay(benchmark::State& state) {
  TypeLongOperand<numira::TextSurroundings>(state);
}
BENCHMARK(BM_TypeLongOperandStringDisplay)
    ->RangeMultiplier(10)
    ->Range(100'000, 10'000'000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);

void BM_TypeLongOperandEngineOnly(benchmark::State& state) {
  TypeLongOperand<LengthOnlySurroundings>(state);
}
BENCHMARK(BM_TypeLongOperandEngineOnly)
    ->RangeMultiplier(10)
    ->Range(1'000, 100'000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);

// The operator after a long operand: one line quoting the operand and one
// parse of it. 1,000 digits fit the extended range but not a double (the
// overflow error); 10,000 and more leave the extended range ("convert error").
void BM_OperatorAfterLongOperand(benchmark::State& state) {
  const std::string operand(static_cast<std::size_t>(state.range(0)), '7');
  numira::TextSurroundings out;
  numira::Calculator engine(out);
  numira::Tape tape(engine, out);
  for (auto _ : state) {
    state.PauseTiming();
    tape.ClearWithHistory();
    engine.tenki(operand);
    state.ResumeTiming();
    try {
      tape.Perform(numira::Action::Add);
    } catch (const numira::FloatOverflowError&) {
    }
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_OperatorAfterLongOperand)
    ->RangeMultiplier(10)
    ->Range(1'000, 100'000)
    ->Complexity()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
