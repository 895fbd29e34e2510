// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The calculator engine driven command by command, without a window.

#include "core/calc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>

#include "core/numtext.h"

namespace numira {
namespace {

// Records the display and title. With append_in_place the display takes
// appended text itself (counting the bytes the engine sets in full), as a
// window's display does; without it the interface's own read-and-set serves.
class RecordingSurroundings : public EngineSurroundings {
 public:
  std::string DisplayText() const override { return display; }
  void SetDisplayText(const std::string& text) override {
    display = text;
    bytes_set += text.size();
  }
  void AppendDisplayText(std::string_view text) override {
    if (append_in_place) {
      display.append(text);
    } else {
      EngineSurroundings::AppendDisplayText(text);
    }
  }
  void SetApplicationTitle(const std::string& text) override { title = text; }
  void FocusEquals() override { ++focus_count; }

  std::string display;
  std::string title = "電卓";
  int focus_count = 0;
  bool append_in_place = false;
  std::size_t bytes_set = 0;
};

class CalcTest : public ::testing::Test {
 protected:
  // One engine command per character: digits and "." -> tenki, z -> tenki("000"),
  // + - * / -> fugounyuryok, = -> wakeisan, p -> PramaiKii, b -> BsKii, c -> clia.
  void Run(std::string_view commands) {
    for (char c : commands) {
      switch (c) {
        case '+': case '-': case '*': case '/': engine.fugounyuryok(c); break;
        case '=': engine.wakeisan(); break;
        case 'p': engine.PramaiKii(); break;
        case 'b': engine.BsKii(); break;
        case 'c': engine.clia(); break;
        case 'z': engine.tenki("000"); break;
        default: engine.tenki(std::string_view(&c, 1)); break;
      }
    }
  }

  RecordingSurroundings out;
  Calculator engine{out};
};

struct Example {
  const char* commands;
  const char* display;
  const char* title;
};

// Worked examples of the engine's rules: left-to-right evaluation, the "="
// that never repeats, chaining through the formatted result, the sign change
// on the display text, and texts judged only when parsed.
TEST_F(CalcTest, CommandSequencesGiveDisplayAndTitle) {
  const Example examples[] = {
      {"+", "convert error", "電卓"},
      {"7/0=", "0.00000", "0.00000"},
      {"2+3*4=", "20.00000", "20.00000"},
      {"2+3==", "5.00000", "5.00000"},
      {"5+*3=", "15.00000", "15.00000"},
      {"5+p", "-5", "電卓"},
      {"5+p3=", "8.00000", "8.00000"},
      {"5+p*3=", "-15.00000", "-15.00000"},
      {"12=", "12", "電卓"},
      {"999+1=", "1,000.00000", "1,000.00000"},
      {"999+1=+1=", "1,001.00000", "1,001.00000"},
      {"600+500+", "1,100.00000", "1,100.00000"},
      {"600+500+1=", "1,101.00000", "1,101.00000"},
      {"1234.5+0=p", "-1234.5", "1,234.50000"},
      {".+2=", "2.00000", "2.00000"},
      {"0p", "0", "電卓"},
      {"0+0=p", "0", "0.00000"},
      {"+p", "convert error", "電卓"},
      {"1.2.3+", "convert error", "電卓"},
      {"5+3b=", "convert error", "電卓"},
      {"5+3b+", "convert error", "電卓"},
      {"b", "", "電卓"},
      {"12+3=3", "15.000003", "15.00000"},
      {"12+3=b", "15.0000", "15.00000"},
      {"12+3=b+1=", "16.00000", "16.00000"},
      {"+b", "convert erro", "電卓"},
      {"+b+", "convert error", "電卓"},
      {"5+b3=", "8.00000", "8.00000"},  // the value was taken before the backspace
      {"007+z1=", "8.00000", "8.00000"},
      {"5p-3=", "-8.00000", "-8.00000"},
      {"1/3=", "0.33333", "0.33333"},
      {"2+3=c", "", "5.00000"},
      // One extended addition rounded once: in double arithmetic the sum of
      // 2^53 and 1 + 2^-11 would round up to 2^53 + 2.
      {"9007199254740992+1.00048828125=", "9,007,199,254,740,992.00000",
       "9,007,199,254,740,992.00000"},
  };
  for (const bool append_in_place : {false, true}) {
    out.append_in_place = append_in_place;
    for (const Example& e : examples) {
      engine.clia();
      out.title = "電卓";
      Run(e.commands);
      EXPECT_EQ(out.display, e.display) << e.commands << (append_in_place ? " (appending display)" : "");
      EXPECT_EQ(out.title, e.title) << e.commands;
    }
  }
}

// A digit typed onto the operand the display shows is appended, so its cost
// does not grow with the operand; a display showing something else (the left
// operand while the right one starts, the error text) is set in full.
TEST_F(CalcTest, TypingOntoTheShownOperandAppendsToTheDisplay) {
  out.append_in_place = true;
  engine.clia();
  Run(std::string(10'000, '7'));
  EXPECT_EQ(out.display, std::string(10'000, '7'));
  EXPECT_EQ(out.bytes_set, 0u);
  Run("+12");
  EXPECT_EQ(out.display, "12");
  Run("c+3");
  EXPECT_EQ(out.display, "3");
  EXPECT_LT(out.bytes_set, 30u);
}

TEST_F(CalcTest, StatesFollowTheCommands) {
  EXPECT_EQ(engine.State(), EngineState::EnteringLeft);
  Run("5");
  EXPECT_EQ(engine.State(), EngineState::EnteringLeft);
  Run("+");
  EXPECT_EQ(engine.State(), EngineState::OperatorPending);
  Run("=");
  EXPECT_EQ(engine.State(), EngineState::OperatorPending);
  Run("3");
  EXPECT_EQ(engine.State(), EngineState::EnteringRight);
  EXPECT_EQ(engine.RightText(), "3");
  Run("bp");
  EXPECT_EQ(engine.State(), EngineState::EnteringRight);
  Run("3=");
  EXPECT_EQ(engine.State(), EngineState::EnteringLeft);
  EXPECT_EQ(engine.LeftText(), "8.00000");
  EXPECT_EQ(engine.RightText(), "");
  // The operator and the left value outlive the evaluation.
  EXPECT_EQ(engine.OperatorCode(), '+');
  EXPECT_EQ(engine.LeftValue(), 5.0);
  EXPECT_EQ(engine.ResultValue(), 8.0);
}

TEST_F(CalcTest, ClearResetsEverythingButTheTitle) {
  Run("12+3=*4");
  engine.clia();
  EXPECT_EQ(engine.State(), EngineState::EnteringLeft);
  EXPECT_EQ(engine.OperatorCode(), '_');
  EXPECT_EQ(engine.LeftValue(), 0.0);
  EXPECT_EQ(engine.RightValue(), 0.0);
  EXPECT_EQ(engine.ResultValue(), 0.0);
  EXPECT_EQ(engine.LeftText(), "");
  EXPECT_EQ(engine.RightText(), "");
  EXPECT_EQ(engine.WorkText(), "");
  EXPECT_EQ(out.display, "");
  EXPECT_EQ(out.title, "15.00000");
}

// Every command gives the focus back to "=", also on its error paths; only an
// "=" with nothing to evaluate leaves the focus alone.
TEST_F(CalcTest, CommandsReturnTheFocusToEquals) {
  struct FocusCase {
    const char* before;
    char command;
    bool focuses;
  };
  const FocusCase cases[] = {
      {"", '5', true},  {"", '+', true},   {"5+", '=', false}, {"", '=', false},
      {"5+3", '=', true}, {"5+3b", '=', true}, {"", 'p', true}, {"", 'b', true},
      {"", 'c', true},  {"5+3", '*', true},
  };
  for (const FocusCase& c : cases) {
    engine.clia();
    Run(c.before);
    const int before = out.focus_count;
    Run(std::string_view(&c.command, 1));
    EXPECT_EQ(out.focus_count > before, c.focuses) << c.before << " then " << c.command;
  }
}

TEST_F(CalcTest, DivisionByZeroGivesZero) {
  EXPECT_EQ(Calculator::warizan(7.0, 0.0), 0.0);
  EXPECT_EQ(Calculator::warizan(7.0, -0.0), 0.0);
  EXPECT_FALSE(std::signbit(Calculator::warizan(-7.0, 0.0)));
  EXPECT_EQ(Calculator::warizan(7.0, 2.0), 3.5);
  EXPECT_THROW(Calculator::warizan(1e300, 1e-9), FloatOverflowError);
}

TEST_F(CalcTest, ResultBeyondDoubleThrowsAfterStoringTheRightValue) {
  const std::string big = "1" + std::string(200, '0');  // 1e200
  Run("2+3=bbbbbbb");  // a result to keep, then an empty left operand
  Run(big + "*" + big);
  EXPECT_THROW(engine.wakeisan(), FloatOverflowError);
  EXPECT_EQ(engine.RightValue(), 1e200);
  EXPECT_EQ(engine.ResultValue(), 5.0);
  EXPECT_EQ(engine.LeftText(), big);
  EXPECT_EQ(engine.RightText(), big);
  EXPECT_EQ(engine.State(), EngineState::EnteringRight);
  EXPECT_EQ(out.display, big);
  EXPECT_EQ(out.title, "5.00000");

  engine.clia();
  Run("1" + std::string(300, '0') + "/.000000001");
  EXPECT_THROW(engine.wakeisan(), FloatOverflowError);
}

TEST_F(CalcTest, OperandBeyondDoubleThrowsWithoutRecordingTheOperator) {
  const std::string huge = "1" + std::string(400, '0');
  Run(huge);
  EXPECT_THROW(engine.fugounyuryok('+'), FloatOverflowError);
  EXPECT_EQ(engine.State(), EngineState::EnteringLeft);
  EXPECT_EQ(engine.OperatorCode(), '_');
  EXPECT_EQ(engine.LeftText(), huge);
  EXPECT_THROW(engine.PramaiKii(), FloatOverflowError);
  EXPECT_EQ(out.display, huge);
}

TEST_F(CalcTest, TinyResultsUnderflowSilently) {
  const std::string e200 = "." + std::string(199, '0') + "1";  // 1e-200
  const std::string e120 = "." + std::string(119, '0') + "1";  // 1e-120
  Run(e200 + "*" + e120 + "=");
  EXPECT_EQ(out.display, "0.00000");
  EXPECT_GT(engine.ResultValue(), 0.0);  // a subnormal, not flushed to zero
  EXPECT_LT(engine.ResultValue(), 1e-307);
  Run("c" + e200 + "*" + e200 + "=");
  EXPECT_EQ(engine.ResultValue(), 0.0);
}

// The sum is first rounded to 64 bits (2^53 + 1.00048828125 is a tie there,
// to 2^53 + 1) and then to double (a tie again, to 2^53); a single rounding
// to double would give 2^53 + 2.
TEST_F(CalcTest, RoundsToSixtyFourBitsThenToDouble) {
  Run("9007199254740992+1.00048828125=");
  EXPECT_EQ(out.display, "9,007,199,254,740,992.00000");
}

// Results written with the locale's separators read back as the same number,
// because the operand parse drops the thousands separator.
TEST_F(CalcTest, ChainedResultsReadBackUnderEverySeparatorPair) {
  struct PairCase {
    char decimal, thousands;
    const char* commands;
    const char* display;
  };
  const PairCase cases[] = {
      {'.', ',', "999+1=+1.5=", "1,001.50000"},
      {',', '.', "999+1=+1,5=", "1.001,50000"},
      {',', ' ', "999+1=+1,5=", "1 001,50000"},
      {',', '.', "1234,5+0=p", "-1234,5"},
      {',', ' ', "1234,5+0=p", "-1234,5"},
  };
  for (const PairCase& c : cases) {
    engine.SetSeparators({c.decimal, c.thousands});
    engine.clia();
    Run(c.commands);
    EXPECT_EQ(out.display, c.display) << c.commands << " with '" << c.decimal << c.thousands << "'";
  }
}

}  // namespace
}  // namespace numira
