#pragma once
// The printing-calculator tape: the history lines, the composite actions that
// write them around the engine commands, and the one key map of the program.
// The window's buttons and keys and the kelto-tape driver all come through here.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/calc.h"
#include "core/history_lines.h"

namespace numira {

// Every user action the calculator knows. Buttons and keys map onto these.
enum class Action {
  Digit0, Digit1, Digit2, Digit3, Digit4, Digit5, Digit6, Digit7, Digit8, Digit9,
  Point,       // the decimal separator in force (the "．" button, the "." key)
  TripleZero,  // "000" (the button, "z" / "Z")
  Add, Subtract, Multiply, Divide,
  Equals,
  Clear,       // AC, Home
  Backspace,   // BS, Backspace
  SignChange,  // +-, "p" / "P"
};

// Keys that produce no character but still act.
enum class NamedKey { Backspace, Home, Enter };

// The key map. Characters "0".."9", ".", "+", "-", "*", "/", "=", "p"/"P",
// "z"/"Z" map to their action; every other character maps to nothing.
std::optional<Action> ActionForCharacter(char32_t ch);
Action ActionForKey(NamedKey key);

// Receives history lines as they are written, so a view can append them one by
// one instead of re-reading all of them.
class HistoryObserver {
 public:
  virtual ~HistoryObserver() = default;
  // `line` is valid for the call only.
  virtual void LineAppended(std::string_view line) = 0;
  virtual void LinesCleared() = 0;
};

// The text of the general error box for an error message: the message, with
// "." added when its last byte sorts after ".":
//   "浮動小数点数のオーバーフロー" -> "浮動小数点数のオーバーフロー."
//   "done." -> "done."   "" -> ""
std::string ErrorBoxText(std::string_view message);

class Tape {
 public:
  static constexpr const char* kInitialTitle = "電卓";

  Tape(Calculator& engine, EngineSurroundings& surroundings);

  void SetObserver(HistoryObserver* observer) { observer_ = observer; }

  // Operator with history: writes the line display + op, then fugounyuryok(op).
  void OperatorWithHistory(char op);
  // Equals with history: writes the display, wakeisan, then "=" + display.
  void EqualsWithHistory();
  // Clear with history: clia, then removes every history line.
  void ClearWithHistory();

  // Carries out one action. FloatOverflowError passes through, with the lines
  // written before it kept (the operator line; the first line of an equals).
  void Perform(Action action);

  // A typed character: performs its action; others do nothing.
  // Returns whether the character was mapped.
  bool TypeCharacter(char32_t ch);
  // A non-character key (Backspace, Home, Enter).
  void PressKey(NamedKey key);

  const HistoryLines& Lines() const { return lines_; }

 private:
  void AppendLine(std::string_view line);

  Calculator& engine_;
  EngineSurroundings& out_;
  HistoryObserver* observer_ = nullptr;
  HistoryLines lines_;
};

// The display field and the application title as two plain strings: the
// surroundings of kelto-tape, and of tests, fuzzing and benchmarks that drive
// the engine without a window.
class TextSurroundings : public EngineSurroundings {
 public:
  std::string DisplayText() const override { return display; }
  void SetDisplayText(const std::string& text) override { display = text; }
  void SetApplicationTitle(const std::string& text) override { title = text; }
  void FocusEquals() override {}

  std::string display;
  std::string title = Tape::kInitialTitle;
};

}  // namespace numira
