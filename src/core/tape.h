// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The printing-calculator tape: the history lines and the composite actions
// that write them around the engine commands. The window's buttons and keys
// and the kelto-tape driver all come through here.

#include <string_view>

#include "core/calc.h"
#include "core/history_lines.h"
#include "core/key_map.h"
#include "core/separators.h"

namespace numira {

// Receives history lines as they are written, so a view can append them one by
// one instead of re-reading all of them.
class HistoryObserver {
 public:
  virtual ~HistoryObserver() = default;
  // `line` is valid for the call only.
  virtual void LineAppended(std::string_view line) = 0;
  virtual void LinesCleared() = 0;
};

class Tape {
 public:
  static constexpr const char* kInitialTitle = kInitialApplicationTitle;

  Tape(Calculator& engine, EngineSurroundings& surroundings);

  void SetObserver(HistoryObserver* observer) { observer_ = observer; }

  // The separators of the point key, the key map and the engine's every
  // parse and format, held by the engine. Call it at start and whenever the
  // user's regional settings change, between two actions.
  void SetSeparators(Separators separators) { engine_.SetSeparators(separators); }
  Separators CurrentSeparators() const { return engine_.CurrentSeparators(); }

  // Operator with history: writes the line display + op, then fugounyuryok(op).
  void OperatorWithHistory(char op);
  // Equals with history: writes the display, wakeisan, then "=" + display.
  void EqualsWithHistory();
  // Clear with history: clia, then removes every history line.
  void ClearWithHistory();

  // Carries out one action. FloatOverflowError passes through, with the lines
  // written before it kept (the operator line; the first line of an equals).
  void Perform(Action action);

  // A typed character: performs its action (the decimal separator in force
  // acts as the point key); others do nothing. Returns whether it was mapped.
  bool TypeCharacter(char32_t ch);
  // A non-character key (Backspace, Home, Enter).
  void PressKey(NamedKey key);

  // A paste of `clipboard_text` (UTF-8): the number ReadPastedNumber reads in
  // it becomes the operand that typing would enter next (ReplaceOperand),
  // a negative one as its digits followed by a sign change. Writes no
  // history line; focus "=". Returns false, having changed nothing, for a
  // text that is no number (the front-end then gives the warning sound).
  // FloatOverflowError passes through from the sign change of a number
  // beyond the double range, as from the key.
  bool Paste(std::string_view clipboard_text);

  const HistoryLines& Lines() const { return lines_; }

 private:
  void AppendLine(std::string_view line);

  Calculator& engine_;
  EngineSurroundings& out_;
  HistoryObserver* observer_ = nullptr;
  HistoryLines lines_;
};

}  // namespace numira
