// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Any key stream (bytes as typed characters; 1, 2, 3 as Backspace, Home and
// Enter; 4 pastes the bytes up to the next 4 or the end) leaves the engine in
// one of its three states, raises nothing but the overflow error, and keeps
// the display equal to the operand text of the state. A paste writes no line;
// a refused one changes nothing; an accepted one keeps every digit of the
// text, in order, and enters a text that parses.
// The tape's flat line store always holds exactly the lines its observer was
// given, kept here the plain way as a list of strings. Each input runs under
// the point and under the decimal comma (where "," types the point).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/calc.h"
#include "core/numtext.h"
#include "core/paste.h"
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

// The digits of a text, full-width ones as ASCII: what an accepted paste
// must enter, no digit more or less.
std::string DigitsOf(std::string_view text) {
  std::string digits;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9') digits += text[i];
    // U+FF10..U+FF19 are EF BC 90..99.
    if (text.substr(i, 2) == "\xEF\xBC" && i + 2 < text.size() && static_cast<unsigned char>(text[i + 2]) >= 0x90 &&
        static_cast<unsigned char>(text[i + 2]) <= 0x99) {
      digits += static_cast<char>('0' + (static_cast<unsigned char>(text[i + 2]) - 0x90));
    }
  }
  return digits;
}

void Paste(numira::Tape& tape, const numira::Calculator& engine, const numira::TextSurroundings& out,
           std::string_view text) {
  const numira::Separators separators = engine.CurrentSeparators();
  const std::optional<numira::PastedNumber> number = numira::ReadPastedNumber(text, separators);
  const std::string display = out.display;
  const numira::EngineState state = engine.State();
  const std::size_t lines = tape.Lines().size();
  if (tape.Paste(text) != number.has_value()) std::abort();
  if (tape.Lines().size() != lines) std::abort();
  if (!number) {
    if (out.display != display || engine.State() != state) std::abort();
    return;
  }
  if (engine.State() == numira::EngineState::OperatorPending) std::abort();
  if (!number->negative && out.display != number->entry) std::abort();
  std::string entry_digits = number->entry;
  std::erase(entry_digits, separators.decimal);
  if (entry_digits != DigitsOf(text)) std::abort();
  try {
    (void)numira::ParseNumberText(number->entry, separators);
  } catch (const numira::ConversionError&) {
    std::abort();
  }
}

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
        case 4: {
          const std::size_t start = i + 1;
          while (i + 1 < size && data[i + 1] != 4) ++i;
          Paste(tape, engine, out, std::string_view(reinterpret_cast<const char*>(data) + start, i + 1 - start));
          ++i;  // the closing 4
          break;
        }
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
