// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The calculator engine: one state and seven commands. Operands stay texts
// while they are typed and become doubles only when an operator or "=" needs
// them; evaluation is strictly left to right (2 + 3 * 4 = 20).

#include <string>
#include <string_view>

#include "core/separators.h"

namespace numira {

// The application title before the first result.
inline constexpr const char* kInitialApplicationTitle = "電卓";

// What the engine needs from the window around it. The main window binds these
// to its widgets; kelto-tape binds them to strings; tests bind them to recorders.
class EngineSurroundings {
 public:
  virtual ~EngineSurroundings() = default;
  virtual std::string DisplayText() const = 0;
  virtual void SetDisplayText(const std::string& text) = 0;
  // Appends `text` to the display. The engine calls it only while the display
  // shows what the engine last put there (the display is its output alone),
  // so that typing onto a long operand costs each digit the same. Override it
  // where the display can take appended text without a copy of the whole.
  virtual void AppendDisplayText(std::string_view text) { SetDisplayText(DisplayText().append(text)); }
  virtual void SetApplicationTitle(const std::string& title) = 0;
  // Moves the keyboard focus to the "=" button.
  virtual void FocusEquals() = 0;
};

// The three reachable states, from (LeftEntry, OperatorPending).
enum class EngineState { EnteringLeft, OperatorPending, EnteringRight };

class Calculator {
 public:
  static constexpr const char* kConvertErrorText = "convert error";

  explicit Calculator(EngineSurroundings& surroundings, Separators separators = {});

  // The separators every later parse and format uses. A new value (the user
  // changed the regional settings) takes effect with the next command; texts
  // already shown stay as they are.
  void SetSeparators(Separators separators) { separators_ = separators; }
  Separators CurrentSeparators() const { return separators_; }

  // clia: clear all. Empty display, no operator, state Entering left; focus "=".
  // Leaves the application title alone.
  void clia();

  // tenki ("key in"): appends "0".."9", the decimal separator or "000" to the
  // operand being typed and shows the whole operand (by appending to the
  // display when it already shows the rest). Nothing is validated here:
  // "007", "1.2.3" and "000" first are all kept as typed.
  void tenki(std::string_view text);

  // Enters `text` (as for tenki) as a fresh operand: the operand that typing
  // would enter next, without what of it is already typed or the result
  // shown. Entering left: the left operand text becomes `text` (after
  // 12+3= the result 15.00000 is dropped, where tenki would append to it);
  // Operator pending: the right operand begins, as with tenki; Entering
  // right: the right operand text becomes `text`. Shows it; focus "=".
  // A paste (Tape::Paste) enters its number so.
  void ReplaceOperand(std::string_view text);

  // fugounyuryok ("operator input"): op is '+', '-', '*' or '/'. In Entering
  // right it evaluates the pending operation first (chaining), then parses the
  // left operand text and records op. A text that does not parse clears the
  // engine and shows "convert error". Throws FloatOverflowError for an operand
  // beyond the double range (the operator is then not recorded).
  void fugounyuryok(char op);

  // wakeisan ("evaluate"): only in Entering right: parses the right operand,
  // computes one extended operation rounded once to double, shows the result
  // with FormatResultText and makes it the application title and the next left
  // operand text. Elsewhere does nothing at all (no focus change either).
  // A result beyond the double range throws FloatOverflowError after
  // RightValue was stored and before anything else changed.
  void wakeisan();

  // warizan ("division"): left / right, but 0.0 when right == 0 (also -0).
  // The quotient is taken in extended and rounded once to double; a quotient
  // beyond the double range throws FloatOverflowError (1e300 / 1e-9).
  static double warizan(double left, double right);

  // BsKii ("backspace key"): removes the last character of the display text
  // (whatever it shows) and makes the rest the current operand text.
  void BsKii();

  // PramaiKii ("plus-minus key"): parses the display text, negates it and
  // shows it in the general format (12.50000 -> -12.5; 0 stays 0) as the
  // current operand text. A text that does not parse only moves the focus.
  void PramaiKii();

  // Read access for the window, the driver and tests.
  EngineState State() const;
  bool LeftEntry() const { return left_entry_; }
  bool OperatorPending() const { return operator_pending_; }
  char OperatorCode() const { return operator_code_; }
  double LeftValue() const { return left_value_; }
  double RightValue() const { return right_value_; }
  double ResultValue() const { return result_value_; }
  const std::string& LeftText() const { return left_text_; }
  const std::string& RightText() const { return right_text_; }
  const std::string& WorkText() const { return work_text_; }

 private:
  // One operation of wakeisan: '*', '+', '-' in extended, rounded once to
  // double; '/' by warizan; any other code gives 0.0.
  static double Evaluate(char op, double left, double right);
  // Strips the thousands separator and parses; throws ConversionError.
  double ParseOperand(std::string_view text) const;
  void ShowConvertError();
  std::string& CurrentText();
  // Sets the display to the current operand text.
  void ShowCurrentText();

  EngineSurroundings& out_;
  Separators separators_;
  // Whether the display holds exactly the current operand text, as the last
  // command left it: then typing appends to the display instead of setting it.
  bool display_is_current_text_ = false;
  bool left_entry_ = true;
  bool operator_pending_ = false;
  char operator_code_ = '_';
  double left_value_ = 0.0;
  double right_value_ = 0.0;
  double result_value_ = 0.0;
  std::string left_text_;
  std::string right_text_;
  std::string work_text_;
};

}  // namespace numira
