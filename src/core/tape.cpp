// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The tape: history lines around the engine commands.

#include "core/tape.h"

#include <optional>
#include <string>
#include <string_view>

#include "core/calc.h"
#include "core/paste.h"

namespace numira {

Tape::Tape(Calculator& engine, EngineSurroundings& surroundings)
    : engine_(engine), out_(surroundings) {}

void Tape::AppendLine(std::string_view line) {
  lines_.push_back(line);
  if (observer_ != nullptr) observer_->LineAppended(lines_.back());
}

void Tape::OperatorWithHistory(char op) {
  // The line quotes the display before the engine runs: the operand as typed
  // (or the previous result), then the operator. An overflow in the engine
  // leaves this line written.
  AppendLine(out_.DisplayText() + op);
  engine_.fugounyuryok(op);
}

void Tape::EqualsWithHistory() {
  AppendLine(out_.DisplayText());
  engine_.wakeisan();
  AppendLine("=" + out_.DisplayText());
}

void Tape::ClearWithHistory() {
  engine_.clia();
  lines_.clear();
  if (observer_ != nullptr) observer_->LinesCleared();
}

void Tape::Perform(Action action) {
  switch (action) {
    case Action::Digit0: case Action::Digit1: case Action::Digit2:
    case Action::Digit3: case Action::Digit4: case Action::Digit5:
    case Action::Digit6: case Action::Digit7: case Action::Digit8:
    case Action::Digit9: {
      const char digit = static_cast<char>('0' + (static_cast<int>(action) -
                                                  static_cast<int>(Action::Digit0)));
      engine_.tenki(std::string_view(&digit, 1));
      break;
    }
    case Action::Point: {
      // The separator the parser accepts, not always ".": under a locale with
      // the decimal comma a typed "1.5" must still mean one and a half.
      const char point = engine_.CurrentSeparators().decimal;
      engine_.tenki(std::string_view(&point, 1));
      break;
    }
    case Action::TripleZero: engine_.tenki("000"); break;
    case Action::Add: OperatorWithHistory('+'); break;
    case Action::Subtract: OperatorWithHistory('-'); break;
    case Action::Multiply: OperatorWithHistory('*'); break;
    case Action::Divide: OperatorWithHistory('/'); break;
    case Action::Equals: EqualsWithHistory(); break;
    case Action::Clear: ClearWithHistory(); break;
    case Action::Backspace: engine_.BsKii(); break;
    case Action::SignChange: engine_.PramaiKii(); break;
  }
}

bool Tape::TypeCharacter(char32_t ch) {
  const std::optional<Action> action = ActionForCharacter(ch, engine_.CurrentSeparators());
  if (!action) return false;
  Perform(*action);
  return true;
}

void Tape::PressKey(NamedKey key) { Perform(ActionForKey(key)); }

bool Tape::Paste(std::string_view clipboard_text) {
  const std::optional<PastedNumber> number = ReadPastedNumber(clipboard_text, CurrentSeparators());
  if (!number) return false;
  engine_.ReplaceOperand(number->entry);
  if (number->negative) engine_.PramaiKii();
  return true;
}

}  // namespace numira
