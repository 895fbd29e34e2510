// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The tape's own share of a history line, without a window: the time per
// line with 10, 1,000 and 100,000 lines already written, and the heap each
// line holds beside the bytes of its text. The history has no line limit,
// so both must stay flat as it grows.

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "core/calc.h"
#include "core/numtext.h"
#include "core/tape.h"

namespace {

using Clock = std::chrono::steady_clock;

// Bytes of heap in use: small blocks plus the large ones malloc maps
// directly (a long line list lives there).
std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// A display that holds one fixed text, as after a result.
class FixedDisplay : public numira::EngineSurroundings {
 public:
  std::string DisplayText() const override { return "12,345.00000"; }
  void SetDisplayText(const std::string&) override {}
  void SetApplicationTitle(const std::string&) override {}
  void FocusEquals() override {}
};

// With nothing to evaluate, "=" writes two lines (the display, then "=" and
// the display) and changes nothing else.
struct History {
  FixedDisplay display;
  numira::Calculator engine{display};
  numira::Tape tape{engine, display};

  void GrowTo(std::size_t lines) {
    while (tape.Lines().size() < lines) tape.EqualsWithHistory();
  }
  void Refill(std::size_t lines) {
    tape.ClearWithHistory();
    GrowTo(lines);
  }
};

// Time per line with range(0) lines already there; the history grows by at
// most 2% (or 10 lines) before it is refilled, untimed. p99_ns shows the
// occasional growth of the line list, which the mean spreads out.
void BM_TapeHistoryAppendPerLine(benchmark::State& state) {
  const auto lines = static_cast<std::size_t>(state.range(0));
  const std::size_t slack = std::max<std::size_t>(10, lines / 50);
  History history;
  history.Refill(lines);
  std::vector<double> samples;
  for (auto _ : state) {
    if (history.tape.Lines().size() + 2 > lines + slack) history.Refill(lines);
    const Clock::time_point start = Clock::now();
    history.tape.EqualsWithHistory();
    const double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count() / 2;
    state.SetIterationTime(ns * 2 / 1e9);
    samples.push_back(ns);
  }
  std::sort(samples.begin(), samples.end());
  state.counters["p50_ns"] = samples[samples.size() / 2];
  state.counters["p99_ns"] = samples[samples.size() * 99 / 100];
  state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_TapeHistoryAppendPerLine)
    ->Arg(10)
    ->Arg(1'000)
    ->Arg(100'000)
    ->UseManualTime()
    ->Iterations(20'000);

// Heap per line: the growth of the heap from range(0) / 2 to range(0) lines
// (the line list's spare capacity included), beside the text's own bytes.
void BM_TapeHistoryMemoryPerLine(benchmark::State& state) {
  const auto lines = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    History history;
    history.GrowTo(lines / 2);
    const std::size_t before = HeapInUse();
    history.GrowTo(lines);
    const std::size_t after = HeapInUse();
    const std::size_t text_bytes = history.tape.Lines().TextBytes();
    const auto count = static_cast<double>(history.tape.Lines().size());
    state.counters["heap_bytes_per_line"] = (static_cast<double>(after) - static_cast<double>(before)) /
                                            (count - static_cast<double>(lines / 2));
    state.counters["text_bytes_per_line"] = static_cast<double>(text_bytes) / count;
  }
}
BENCHMARK(BM_TapeHistoryMemoryPerLine)->Arg(100'000)->Arg(1'000'000)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
