// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The calculator engine. Operand texts become doubles only when an operator or
// "=" needs them; each result is one extended operation rounded once to double.

#include "core/calc.h"

#include <string>
#include <string_view>

#include "core/numtext.h"

namespace numira {

Calculator::Calculator(EngineSurroundings& surroundings, Separators separators)
    : out_(surroundings), separators_(separators) {}

EngineState Calculator::State() const {
  if (!left_entry_) return EngineState::EnteringRight;
  return operator_pending_ ? EngineState::OperatorPending : EngineState::EnteringLeft;
}

double Calculator::ParseOperand(std::string_view text) const {
  // The result format groups digits with the thousands separator, which the
  // parser never accepts; a chained result must read back as the same number.
  std::string bare(text);
  std::erase(bare, separators_.thousands);
  return RoundToDouble(ParseNumberText(bare, separators_));
}

std::string& Calculator::CurrentText() { return left_entry_ ? left_text_ : right_text_; }

void Calculator::ShowCurrentText() {
  // Cleared first: a display that fails to take the text is set in full next.
  display_is_current_text_ = false;
  out_.SetDisplayText(CurrentText());
  display_is_current_text_ = true;
}

void Calculator::ShowConvertError() {
  clia();
  out_.SetDisplayText(kConvertErrorText);
  display_is_current_text_ = false;
  out_.FocusEquals();
}

void Calculator::clia() {
  left_entry_ = true;
  result_value_ = 0.0;
  left_value_ = 0.0;
  right_value_ = 0.0;
  work_text_.clear();
  left_text_.clear();
  right_text_.clear();
  operator_code_ = '_';
  ShowCurrentText();  // the empty left operand text
  operator_pending_ = false;
  out_.FocusEquals();
}

void Calculator::tenki(std::string_view text) {
  bool extends_display = display_is_current_text_;
  if (operator_pending_) {
    // The first entry after an operator starts the right operand, which is
    // always empty here: every evaluation and every clear empties it. The
    // display still shows the left operand.
    operator_pending_ = false;
    left_entry_ = false;
    extends_display = false;
  }
  CurrentText().append(text);
  if (extends_display) {
    display_is_current_text_ = false;
    out_.AppendDisplayText(text);
    display_is_current_text_ = true;
  } else {
    ShowCurrentText();
  }
  out_.FocusEquals();
}

void Calculator::ReplaceOperand(std::string_view text) {
  // In Operator pending the right operand text is empty already and tenki
  // begins it; elsewhere the current operand is dropped, and the display,
  // which still shows it, is set in full.
  if (!operator_pending_) {
    CurrentText().clear();
    display_is_current_text_ = false;
  }
  tenki(text);
}

void Calculator::fugounyuryok(char op) {
  if (!left_entry_ && !operator_pending_) wakeisan();  // chain: 2 + 3 * -> 5 *
  double value = 0.0;
  try {
    value = ParseOperand(left_text_);
  } catch (const ConversionError&) {
    ShowConvertError();
    return;
  }
  left_value_ = value;
  operator_code_ = op;
  operator_pending_ = true;
  out_.FocusEquals();
}

void Calculator::wakeisan() {
  // "=" right after a result, a clear or an operator has nothing to evaluate
  // and never repeats the last operation.
  if (left_entry_) return;
  try {
    right_value_ = ParseOperand(right_text_);
  } catch (const ConversionError&) {
    ShowConvertError();
    return;
  }
  // The rounding throws FloatOverflowError for a result beyond the double
  // range, leaving everything but RightValue as it was.
  result_value_ = Evaluate(operator_code_, left_value_, right_value_);
  left_text_ = FormatResultText(result_value_, separators_);
  right_text_.clear();
  left_entry_ = true;
  ShowCurrentText();
  out_.SetApplicationTitle(left_text_);
  out_.FocusEquals();
}

double Calculator::warizan(double left, double right) {
  if (right == 0.0) return 0.0;  // +0 and -0 alike: no infinity, nothing raised
  return RoundToDouble(Extended(left) / Extended(right));
}

double Calculator::Evaluate(char op, double left, double right) {
  switch (op) {
    case '*': return RoundToDouble(Extended(left) * Extended(right));
    case '+': return RoundToDouble(Extended(left) + Extended(right));
    case '-': return RoundToDouble(Extended(left) - Extended(right));
    case '/': return warizan(left, right);
    default: return 0.0;
  }
}

void Calculator::BsKii() {
  // Works on whatever the display shows: a formatted result, the error text
  // or an operand whose value was already taken all become the operand text.
  work_text_ = out_.DisplayText();
  if (!work_text_.empty()) work_text_.pop_back();
  CurrentText() = work_text_;
  ShowCurrentText();
  out_.FocusEquals();
}

void Calculator::PramaiKii() {
  double value = 0.0;
  try {
    value = ParseOperand(out_.DisplayText());
  } catch (const ConversionError&) {
    out_.FocusEquals();  // "convert error" or an empty display: silently nothing
    return;
  }
  // The general format writes -0 as "0", so a sign change on zero shows 0.
  work_text_ = FormatGeneralText(-value, separators_);
  CurrentText() = work_text_;
  ShowCurrentText();
  out_.FocusEquals();
}

}  // namespace numira
