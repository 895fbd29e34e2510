// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Long work: whether the calculator stays usable with a huge operand, a long
// tape, and a huge settings file. Each case runs once (these are minutes of a
// user's work, not a loop body) and reports its figures as counters:
//   total_s     the whole run           key_us     one key at the end of it
//   peak_rss_MB the process's peak resident memory so far (run one case at a
//               time with --benchmark_filter for a figure of its own)
//
//   long_work_bench --benchmark_filter=MillionDigits

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/calc.h"
#include "core/inifile_.h"
#include "core/numtext.h"
#include "core/tape.h"
#include "core/text_surroundings.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double PeakResidentMegabytes() {
  struct rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // Linux reports kilobytes
}

// Microseconds for one action, the overflow error caught as the window does.
double TimeAction(numira::Tape& tape, numira::Action action) {
  const auto start = Clock::now();
  try {
    tape.Perform(action);
  } catch (const numira::FloatOverflowError&) {
  }
  return SecondsSince(start) * 1e6;
}

// One operand of 1,000,000 typed digits, one key at a time, then what a user
// does next with it: one more digit, backspace, sign change (the text does
// not parse: ignored), an operator (quotes the operand on the tape; the
// value is beyond every range: "convert error").
void BM_MillionDigitOperand(benchmark::State& state) {
  constexpr int kDigits = 1'000'000;
  for (auto _ : state) {
    numira::TextSurroundings out;
    numira::Calculator engine(out);
    numira::Tape tape(engine, out);
    engine.clia();
    const auto start = Clock::now();
    for (int i = 0; i < kDigits; ++i) tape.Perform(numira::Action::Digit7);
    state.counters["total_s"] = SecondsSince(start);
    state.counters["key_us"] = TimeAction(tape, numira::Action::Digit7);
    state.counters["backspace_us"] = TimeAction(tape, numira::Action::Backspace);
    state.counters["sign_us"] = TimeAction(tape, numira::Action::SignChange);
    state.counters["operator_us"] = TimeAction(tape, numira::Action::Add);
    if (out.display != numira::Calculator::kConvertErrorText || tape.Lines().size() != 1 ||
        tape.Lines()[0].size() != kDigits + 1) {
      state.SkipWithError("the operator after the long operand did not end as expected");
    }
    state.counters["peak_rss_MB"] = PeakResidentMegabytes();
  }
}
BENCHMARK(BM_MillionDigitOperand)->Iterations(1)->Unit(benchmark::kSecond);

// 100,000 history lines: "+3=" again and again writes three lines each time
// (15.00000+, 3, =18.00000). Then the next "+3=" and a clear of the tape.
void BM_HundredThousandHistoryLines(benchmark::State& state) {
  constexpr std::size_t kLines = 100'000;
  for (auto _ : state) {
    numira::TextSurroundings out;
    numira::Calculator engine(out);
    numira::Tape tape(engine, out);
    engine.clia();
    tape.Perform(numira::Action::Digit1);
    const auto start = Clock::now();
    while (tape.Lines().size() < kLines) {
      tape.Perform(numira::Action::Add);
      tape.Perform(numira::Action::Digit3);
      tape.Perform(numira::Action::Equals);
    }
    state.counters["total_s"] = SecondsSince(start);
    const std::size_t bytes = tape.Lines().TextBytes();
    state.counters["tape_MB"] = static_cast<double>(bytes) / (1 << 20);
    state.counters["key_us"] = (TimeAction(tape, numira::Action::Add) + TimeAction(tape, numira::Action::Digit3) +
                                TimeAction(tape, numira::Action::Equals)) /
                               3;
    state.counters["clear_us"] = TimeAction(tape, numira::Action::Clear);
    state.counters["peak_rss_MB"] = PeakResidentMegabytes();
  }
}
BENCHMARK(BM_HundredThousandHistoryLines)->Iterations(1)->Unit(benchmark::kMillisecond);

class PlainWindow : public numira::SettingsWindow {
 public:
  std::int32_t Left() const override { return left; }
  std::int32_t Top() const override { return top; }
  std::int32_t OuterWidth() const override { return 450; }
  std::int32_t OuterHeight() const override { return 250; }
  void SetLeft(std::int32_t value) override { left = value; }
  void SetTop(std::int32_t value) override { top = value; }
  std::int32_t left = 325, top = 153;
};

// A 50 MB settings file of random bytes (fixed seed): one load (four reads of
// the whole file) per iteration, and one save (four whole-file replacements)
// reported as save_s. The file lives in /dev/shm when there is one, so the
// figures are the program's, not the disk's.
void BM_LoadFiftyMegabyteSettingsFile(benchmark::State& state) {
  constexpr std::size_t kSize = 50u << 20;
  const std::string folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  const std::string path = folder + "/numira-long-work-" + std::to_string(::getpid()) + ".ini";
  {
    std::string junk(kSize, '\0');
    std::mt19937_64 random(20240611u);
    for (std::size_t i = 0; i < kSize; i += 8) {
      const std::uint64_t bits = random();
      for (std::size_t b = 0; b < 8; ++b) junk[i + b] = static_cast<char>(bits >> (8 * b));
    }
    std::ofstream(path, std::ios::binary) << junk;
  }
  const std::vector<numira::MonitorRect> monitors = {{0, 0, 1920, 1080}};
  for (auto _ : state) {
    PlainWindow window;
    bool stay = true, waid = false;
    numira::LoadSettings(path, window, {stay, waid}, monitors);
    if (window.left != 0 || window.top != 0 || stay || !waid) state.SkipWithError("the load did not give defaults");
  }
  PlainWindow window;
  bool stay = false, waid = true;
  const auto start = Clock::now();
  numira::SaveSettings(path, window, {stay, waid});
  state.counters["save_s"] = SecondsSince(start);
  state.counters["peak_rss_MB"] = PeakResidentMegabytes();
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}
BENCHMARK(BM_LoadFiftyMegabyteSettingsFile)->Iterations(5)->Unit(benchmark::kMillisecond);

// A settings file of nothing but empty lines (the argument: its size in MB),
// holding none of our keys: one load (each of the four reads runs through
// the whole file) as load_s, then one save (four copies of the file, each
// with a key added at the end) as save_s. The peak memory shows whether a
// save holds the file in memory; run one size at a time for a figure of its
// own.
void BM_EmptyLinesSettingsFile(benchmark::State& state) {
  const std::size_t size = static_cast<std::size_t>(state.range(0)) << 20;
  const std::string folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  const std::string path = folder + "/numira-empty-lines-" + std::to_string(::getpid()) + ".ini";
  {
    std::ofstream out(path, std::ios::binary);
    const std::string block(1 << 20, '\n');
    for (std::size_t done = 0; done < size; done += block.size()) out << block;
  }
  const std::vector<numira::MonitorRect> monitors = {{0, 0, 1920, 1080}};
  for (auto _ : state) {
    PlainWindow window;
    bool stay = true, waid = false;
    auto start = Clock::now();
    numira::LoadSettings(path, window, {stay, waid}, monitors);
    state.counters["load_s"] = SecondsSince(start);
    start = Clock::now();
    try {
      numira::SaveSettings(path, window, {stay, waid});
    } catch (const numira::SettingsWriteError&) {
      state.SkipWithError("the save failed");
    }
    state.counters["save_s"] = SecondsSince(start);
  }
  state.counters["peak_rss_MB"] = PeakResidentMegabytes();
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}
BENCHMARK(BM_EmptyLinesSettingsFile)->Arg(50)->Arg(1024)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
