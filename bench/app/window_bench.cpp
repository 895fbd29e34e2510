// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The main window in-process on the offscreen platform: what a key costs from
// its key event to the changed display text, what one history line costs at
// 10, 1,000 and 100,000 lines and how much memory each line holds, and what a
// key costs when the operand has grown long.
//
// Keys enter through the window system's key path (as a platform delivers them), so
// they reach the focused control and the window's key preview the way real
// keys do. Times are taken per key with a steady clock, so the percentiles
// come out of one run: p50_us, p99_us and max_us are counters.

#include <benchmark/benchmark.h>

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/Kelto_.h"
#include "app/display_field.h"
#include "app/history_view.h"
#include "app/qt_tray_shell.h"

namespace {

using Clock = std::chrono::steady_clock;

// Bytes of heap in use: small blocks plus the large ones malloc maps
// directly (a long line list lives there).
std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

double MicrosecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// Per-key times of one benchmark run, reported as percentiles.
class Latencies {
 public:
  void Add(double us) { samples_.push_back(us); }

  void Report(benchmark::State& state, const std::string& prefix = "") {
    if (samples_.empty()) return;
    std::sort(samples_.begin(), samples_.end());
    const auto at = [this](double q) {
      return samples_[static_cast<std::size_t>(q * static_cast<double>(samples_.size() - 1))];
    };
    state.counters[prefix + "p50_us"] = at(0.50);
    state.counters[prefix + "p99_us"] = at(0.99);
    state.counters[prefix + "max_us"] = samples_.back();
  }

 private:
  std::vector<double> samples_;
};

// The main window; the overflow error of a long operand goes to the error
// box, which here drops it instead of waiting for a click.
class BenchWindow : public numira::Form1Widget {
 public:
  BenchWindow() : Form1Widget({Tray(), {}, {}}) {}
  void ShowErrorBox(const std::string&, const std::string&) override {}

 private:
  static numira::TrayModule& Tray() {
    static numira::QtTrayShell shell;
    static numira::TrayModule module(shell);
    return module;
  }
};

// A shown, active main window with "=" focused, as after start.
std::unique_ptr<BenchWindow> ShownWindow() {
  auto form = std::make_unique<BenchWindow>();
  form->show();
  if (!QTest::qWaitForWindowActive(form.get())) std::abort();
  QCoreApplication::processEvents();
  return form;
}

// A key as the window system delivers it: synchronously through the
// application's key path into the focused control, with the window's key
// preview first. (QTest's key helpers would also run the event loop after
// each key, and with it the repaint.)
void SendKey(numira::Form1Widget& form, QEvent::Type type, Qt::Key key, QChar text) {
  qt_handleKeyEvent(form.windowHandle(), type, key, Qt::NoModifier, QString(text));
}

Qt::Key KeyOf(char c) {
  switch (c) {
    case '+': return Qt::Key_Plus;
    case '=': return Qt::Key_Equal;
    case '\b': return Qt::Key_Backspace;
    default: return static_cast<Qt::Key>(Qt::Key_0 + (c - '0'));
  }
}

// The time from one key's press event until it has been handled (so the
// display text has changed); its release and the repaint follow, untimed.
double TimedKey(numira::Form1Widget& form, char c) {
  const Clock::time_point start = Clock::now();
  SendKey(form, QEvent::KeyPress, KeyOf(c), QLatin1Char(c));
  const double us = MicrosecondsSince(start);
  SendKey(form, QEvent::KeyRelease, KeyOf(c), QLatin1Char(c));
  QCoreApplication::processEvents();
  return us;
}

// Ordinary typing: "12+34=" over and over (digits, operators chaining on
// the result, equals), with Home every 600 keys so the tape stays at a few
// hundred lines. Each key is timed from its press event until it has been
// handled, by which time the display text has changed; with repaint, the
// event loop's pass that paints the window is included. Home itself is not
// among the samples.
void KeyToDisplay(benchmark::State& state, bool with_repaint) {
  auto form = ShownWindow();
  const std::string cycle = "12+34=";
  Latencies all, digits, operators, equals;
  std::size_t position = 0;
  for (auto _ : state) {
    if (position % 600 == 0) {
      SendKey(*form, QEvent::KeyPress, Qt::Key_Home, QChar());
      SendKey(*form, QEvent::KeyRelease, Qt::Key_Home, QChar());
      QCoreApplication::processEvents();
    }
    const char c = cycle[position++ % cycle.size()];
    const QString before = form->edhyouj->text();
    const Clock::time_point start = Clock::now();
    SendKey(*form, QEvent::KeyPress, KeyOf(c), QLatin1Char(c));
    if (with_repaint) QCoreApplication::processEvents();
    const double us = MicrosecondsSince(start);
    SendKey(*form, QEvent::KeyRelease, KeyOf(c), QLatin1Char(c));
    QCoreApplication::processEvents();
    // A digit always shows; "+" and "=" may leave the display as it was.
    if (c >= '0' && c <= '9' && form->edhyouj->text() == before) {
      state.SkipWithError("a digit did not change the display");
      break;
    }
    state.SetIterationTime(us / 1e6);
    all.Add(us);
    (c == '=' ? equals : c == '+' ? operators : digits).Add(us);
  }
  all.Report(state);
  digits.Report(state, "digit_");
  operators.Report(state, "op_");
  equals.Report(state, "eq_");
}

void BM_KeyToDisplayText(benchmark::State& state) { KeyToDisplay(state, false); }
BENCHMARK(BM_KeyToDisplayText)->UseManualTime()->Iterations(30'000)->Unit(benchmark::kMicrosecond);

void BM_KeyToDisplayPainted(benchmark::State& state) { KeyToDisplay(state, true); }
BENCHMARK(BM_KeyToDisplayPainted)->UseManualTime()->Iterations(10'000)->Unit(benchmark::kMicrosecond);

// One "=" with nothing to evaluate writes two lines (the display, then "="
// and the display) and changes nothing else: the cost of history lines alone,
// through the tape into the history panel.
void AppendTwoLines(numira::Form1Widget& form) { form.Form().History().EqualsWithHistory(); }

void RefillHistory(numira::Form1Widget& form, std::size_t lines) {
  form.Form().History().ClearWithHistory();
  form.SetDisplayText("12,345.00000");
  for (std::size_t i = 0; i < lines / 2; ++i) AppendTwoLines(form);
  QCoreApplication::processEvents();
}

// Time per history line with the panel already holding range(0) lines. The
// panel grows by at most 2% (or 10 lines) before it is refilled, untimed.
// The panel's repaint, which the event loop would run, is included.
void BM_HistoryAppendPerLine(benchmark::State& state) {
  const auto lines = static_cast<std::size_t>(state.range(0));
  const std::size_t slack = std::max<std::size_t>(10, lines / 50);
  auto form = ShownWindow();
  RefillHistory(*form, lines);
  Latencies per_line;
  for (auto _ : state) {
    if (form->Form().History().Lines().size() + 2 > lines + slack) RefillHistory(*form, lines);
    const Clock::time_point start = Clock::now();
    AppendTwoLines(*form);
    QCoreApplication::processEvents();
    const double us = MicrosecondsSince(start) / 2;
    state.SetIterationTime(us * 2 / 1e6);
    per_line.Add(us);
  }
  per_line.Report(state);
  state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_HistoryAppendPerLine)
    ->Arg(10)
    ->Arg(1'000)
    ->Arg(100'000)
    ->UseManualTime()
    ->Iterations(1'000)
    ->Unit(benchmark::kMicrosecond);

// Heap bytes per history line, tape and panel together, beside the bytes of
// the line texts themselves: the growth of the heap from range(0) / 2 to
// range(0) lines, so that one-time costs (glyph caches, the first layout)
// stay out of it.
void BM_HistoryMemoryPerLine(benchmark::State& state) {
  const auto lines = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    auto form = ShownWindow();
    RefillHistory(*form, lines / 2);
    const std::size_t before = HeapInUse();
    for (std::size_t i = lines / 2; i < lines; i += 2) AppendTwoLines(*form);
    QCoreApplication::processEvents();
    const std::size_t after = HeapInUse();
    const auto& all = form->Form().History().Lines();
    std::size_t text_bytes = 0;
    for (std::size_t i = lines / 2; i < all.size(); ++i) text_bytes += all[i].size();
    const auto added = static_cast<double>(all.size() - lines / 2);
    state.counters["heap_bytes_per_line"] = static_cast<double>(after - before) / added;
    state.counters["text_bytes_per_line"] = static_cast<double>(text_bytes) / added;
  }
}
BENCHMARK(BM_HistoryMemoryPerLine)->Arg(100'000)->Arg(1'000'000)->Iterations(1)->Unit(benchmark::kMillisecond);

// What a screen reader adds: each new history line read back through the
// tape's accessible text (its length, then the last line), with range(0)
// lines before it; and the heap per line once the reader has counted every
// line's start.
void BM_HistoryReadByScreenReader(benchmark::State& state) {
  const auto lines = static_cast<std::size_t>(state.range(0));
  const std::size_t slack = std::max<std::size_t>(10, lines / 50);
  auto form = ShownWindow();
  RefillHistory(*form, lines);
  QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(form->Memo1)->textInterface();
  Latencies per_line;
  for (auto _ : state) {
    if (form->Form().History().Lines().size() + 2 > lines + slack) RefillHistory(*form, lines);
    const Clock::time_point start = Clock::now();
    AppendTwoLines(*form);
    int line_start = 0, line_end = 0;
    benchmark::DoNotOptimize(text->textAtOffset(text->characterCount() - 1, QAccessible::LineBoundary,
                                                &line_start, &line_end));
    const double us = MicrosecondsSince(start) / 2;
    state.SetIterationTime(us * 2 / 1e6);
    per_line.Add(us);
  }
  per_line.Report(state);
  form.reset();
  // As BM_HistoryMemoryPerLine, on a fresh window, with every line counted.
  form = ShownWindow();
  text = QAccessible::queryAccessibleInterface(form->Memo1)->textInterface();
  RefillHistory(*form, lines / 2);
  text->text(0, 1);
  const std::size_t before = HeapInUse();
  for (std::size_t i = lines / 2; i < lines; i += 2) AppendTwoLines(*form);
  QCoreApplication::processEvents();
  text->text(text->characterCount() - 1, text->characterCount());
  state.counters["heap_bytes_per_line"] =
      static_cast<double>(HeapInUse() - before) /
      static_cast<double>(form->Form().History().Lines().size() - lines / 2);
}
BENCHMARK(BM_HistoryReadByScreenReader)
    ->Arg(10)
    ->Arg(1'000)
    ->Arg(100'000)
    ->UseManualTime()
    ->Iterations(1'000)
    ->Unit(benchmark::kMicrosecond);

// A digit typed onto an operand of range(0) digits, and the backspace that
// takes it off again: each shows the whole operand once more, so the cost
// per key may grow with the operand's length but no faster. The display's
// repaint is not included.
void BM_LongOperandKey(benchmark::State& state) {
  const auto digits = static_cast<std::size_t>(state.range(0));
  auto form = ShownWindow();
  form->Form().Engine().tenki(std::string(digits, '7'));
  Latencies digit, backspace;
  for (auto _ : state) {
    const double typed = TimedKey(*form, '7');
    const double erased = TimedKey(*form, '\b');
    state.SetIterationTime((typed + erased) / 1e6);
    digit.Add(typed);
    backspace.Add(erased);
  }
  if (static_cast<std::size_t>(form->edhyouj->text().size()) != digits) {
    state.SkipWithError("the operand did not keep its length");
  }
  digit.Report(state, "digit_");
  backspace.Report(state, "bs_");
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LongOperandKey)
    ->RangeMultiplier(10)
    ->Range(10, 100'000)
    ->UseManualTime()
    ->Complexity()
    ->Unit(benchmark::kMicrosecond);

// "+" after an operand of range(0) digits: one history line quoting the
// operand, one parse of it (beyond the double range from 309 digits on: the
// overflow error; beyond the extended range: "convert error"). The error box
// is replaced by a recorder, as in the GUI tests.
void BM_OperatorAfterLongOperand(benchmark::State& state) {
  const auto digits = static_cast<std::size_t>(state.range(0));
  const std::string operand(digits, '7');
  auto form = ShownWindow();
  for (auto _ : state) {
    form->Form().History().ClearWithHistory();
    form->Form().Engine().tenki(operand);
    QCoreApplication::processEvents();
    const double us = TimedKey(*form, '+');
    state.SetIterationTime(us / 1e6);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_OperatorAfterLongOperand)
    ->RangeMultiplier(10)
    ->Range(10, 100'000)
    ->UseManualTime()
    ->Complexity()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // The offscreen platform reports each window it cannot size-hint; that
  // would bury the results.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type >= QtWarningMsg && !message.contains(QLatin1String("propagateSizeHints"))) {
      std::fprintf(stderr, "%s\n", qPrintable(message));
    }
  });
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
