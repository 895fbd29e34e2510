// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// What one close costs the settings file: the time of SaveSettings on the
// six-line file a user has, and the time and peak memory of a save over a
// huge file of two shapes, one line without any line end and many short
// lines (the argument: the file's size in MB). The files live in /dev/shm
// when there is one, so the figures are the program's, not the disk's.
// Counters of the huge files:
//   save_s        the one save
//   rss_MB        the process's resident memory just before it
//   peak_MB       the process's peak resident memory during it (the peak is
//                 reset before the save through /proc/self/clear_refs)
//   growth_MB     peak_MB - rss_MB: what the save itself took
//
//   settings_save_bench --benchmark_filter=OneLine

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "core/inifile_.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string ScratchPath(const char* name) {
  const std::string folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return folder + "/numira-save-bench-" + std::to_string(::getpid()) + "-" + name + ".ini";
}

class PlainWindow : public numira::SettingsWindow {
 public:
  std::int32_t Left() const override { return 325; }
  std::int32_t Top() const override { return 153; }
  std::int32_t OuterWidth() const override { return 450; }
  std::int32_t OuterHeight() const override { return 250; }
  void SetLeft(std::int32_t) override {}
  void SetTop(std::int32_t) override {}
};

// A value in kB of /proc/self/status ("VmRSS", "VmHWM"), in MB; -1 when the
// system has no such line.
double StatusMegabytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, field.size() + 1, field + ":") == 0) return std::stod(line.substr(field.size() + 1)) / 1024.0;
  }
  return -1;
}

// Starts the peak resident memory (VmHWM) afresh from the present one.
bool ResetPeakMemory() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return static_cast<bool>(clear);
}

// Writes a file of `megabytes` MB made of `block` (1 MB) repeated, without
// holding more than the block, so the figures are the save's alone.
void WriteRepeated(const std::string& path, std::size_t megabytes, const std::string& block) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (std::size_t i = 0; i < megabytes; ++i) out << block;
}

void SaveHugeFile(benchmark::State& state, const std::function<std::string()>& make_block, const char* name) {
  const std::string path = ScratchPath(name);
  WriteRepeated(path, static_cast<std::size_t>(state.range(0)), make_block());
  PlainWindow window;
  bool stay = false, waid = true;
  for (auto _ : state) {
    const double before = StatusMegabytes("VmRSS");
    if (!ResetPeakMemory()) state.SkipWithError("cannot reset the peak memory (/proc/self/clear_refs)");
    const auto start = Clock::now();
    try {
      numira::SaveSettings(path, window, {stay, waid});
    } catch (const numira::SettingsWriteError&) {
      state.SkipWithError("the save failed");
    }
    state.counters["save_s"] = std::chrono::duration<double>(Clock::now() - start).count();
    const double peak = StatusMegabytes("VmHWM");
    state.counters["rss_MB"] = before;
    state.counters["peak_MB"] = peak;
    state.counters["growth_MB"] = peak - before;
  }
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

// One line without a line end: printable bytes, no "[" or "=" (so nothing in
// it is a section or a key), the keys go to the end.
void BM_SaveOverOneLine(benchmark::State& state) {
  SaveHugeFile(state, [] {
    std::string block(1 << 20, ' ');
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>('a' + i % 26);
    return block;
  }, "one-line");
}
BENCHMARK(BM_SaveOverOneLine)->Arg(200)->Iterations(1)->Unit(benchmark::kSecond);

// Many short key lines of another section, CR LF ended, as a program that
// keeps its own settings in the same file might leave them.
void BM_SaveOverManyLines(benchmark::State& state) {
  SaveHugeFile(state, [] {
    std::string block = "[other]\r\n";
    for (int i = 0; block.size() < (1u << 20) - 40; ++i) block += "key" + std::to_string(i) + "=value\r\n";
    block.resize((1u << 20) - 2, ';');
    return block + "\r\n";
  }, "many-lines");
}
BENCHMARK(BM_SaveOverManyLines)->Arg(200)->Iterations(1)->Unit(benchmark::kSecond);

// The file every user has: one close after another over the six lines.
void BM_SaveSixLineFile(benchmark::State& state) {
  const std::string path = ScratchPath("six-lines");
  PlainWindow window;
  bool stay = false, waid = true;
  numira::SaveSettings(path, window, {stay, waid});
  for (auto _ : state) numira::SaveSettings(path, window, {stay, waid});
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}
BENCHMARK(BM_SaveSixLineFile)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
