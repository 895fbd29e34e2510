// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Any key stream (bytes as typed characters; 1, 2, 3 as Backspace, Home and
// Enter) leaves the engine in one of its three states, raises nothing but the
// overflow error, and keeps the display equal to the operand text of the state.
// The tape's flat line store always holds exactly the lines its observer was
// given, kept here the plain way as a list of strings. Each input runs under
// the point and under the decimal comma (where "," types the point).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/calc.h"
#include "core/numtext.h"
#include "core/tape.h"
#include "core/text_surroundings.h"

namespace {

bool DisplayMatchesState(const numira::Calculator& engine, const std::string& display) {
  if (engine.LeftEntry()) {
    if (display == engine.LeftText()) return true;
    // Right after a failed parse the engine is cleared and shows the error text.
    return display == numira::Calculator::kConvertErrorText && engine.LeftText().empty() &&
           !engine.OperatorPending();
  }
  return !engine.OperatorPending() && display == engine.RightText();
}

class MirrorObserver : public numira::HistoryObserver {
 public:
  void LineAppended(std::string_view line) override { lines.emplace_back(line); }
  void LinesCleared() override { lines.clear(); }
  std::vector<std::string> lines;
};

void TypeAll(const std::uint8_t* data, std::size_t size, numira::Separators separators) {
  numira::TextSurroundings out;
  numira::Calculator engine(out, separators);
  numira::Tape tape(engine, out);
  MirrorObserver mirror;
  tape.SetObserver(&mirror);
  engine.clia();
  for (std::size_t i = 0; i < size; ++i) {
    try {
      switch (data[i]) {
        case 1: tape.PressKey(numira::NamedKey::Backspace); break;
        case 2: tape.PressKey(numira::NamedKey::Home); break;
        case 3: tape.PressKey(numira::NamedKey::Enter); break;
        default: tape.TypeCharacter(data[i]); break;
      }
    } catch (const numira::FloatOverflowError&) {
      // The general error box shows it and the calculator goes on.
    }
    if (!DisplayMatchesState(engine, out.display)) std::abort();
    if (engine.OperatorCode() != '_' && engine.OperatorCode() != '+' &&
        engine.OperatorCode() != '-' && engine.OperatorCode() != '*' &&
        engine.OperatorCode() != '/') {
      std::abort();
    }
    const numira::HistoryLines& lines = tape.Lines();
    if (lines.size() != mirror.lines.size()) std::abort();
    if (!lines.empty() && lines.back() != mirror.lines.back()) std::abort();
  }
  if (!(tape.Lines() == mirror.lines)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TypeAll(data, size, {'.', ','});
  TypeAll(data, size, {',', '.'});
  return 0;
}
