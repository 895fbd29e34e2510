// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The tape: history lines around the engine, the key map, the error box text.

#include "core/tape.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/calc.h"
#include "core/error_box_text.h"
#include "core/numtext.h"
#include "core/text_surroundings.h"
#include "tape_fixture.h"

namespace numira {
namespace {

using Lines = std::vector<std::string>;

class RecordingObserver : public HistoryObserver {
 public:
  void LineAppended(std::string_view line) override { seen.emplace_back(line); }
  void LinesCleared() override { seen.push_back("<cleared>"); }
  Lines seen;
};

using TapeTest = TapeFixture;

struct TapeExample {
  const char* keys;
  Lines lines;
  const char* display;
};

// The lines quote the display before an operator, and before and after "=".
TEST_F(TapeTest, KeysWriteTheHistoryLines) {
  const TapeExample examples[] = {
      {"12+3=*2=", {"12+", "3", "=15.00000", "15.00000*", "2", "=30.00000"}, "30.00000"},
      {"=", {"", "="}, ""},
      {"+", {"+"}, "convert error"},
      {"++", {"+", "convert error+"}, "convert error"},
      {"12=", {"12", "=12"}, "12"},
      {"5+=", {"5+", "5", "=5"}, "5"},
      {"5+3p-=", {"5+", "-3-", "2.00000", "=2.00000"}, "2.00000"},
      {"7/0=", {"7/", "0", "=0.00000"}, "0.00000"},
      {"1z+P=", {"1000+", "-1000", "=-1000"}, "-1000"},
      {"1Z2=", {"10002", "=10002"}, "10002"},
      {"1a2 ,x!", {}, "12"},
  };
  for (const TapeExample& e : examples) {
    tape.ClearWithHistory();
    Type(e.keys);
    EXPECT_EQ(tape.Lines(), e.lines) << e.keys;
    EXPECT_EQ(out.display, e.display) << e.keys;
  }
}

TEST_F(TapeTest, KeyMapCoversExactlyTheCalculatorCharacters) {
  const std::u32string mapped = U"0123456789.+-*/=pPzZ";
  for (char32_t ch = 0; ch < 0x180; ++ch) {
    EXPECT_EQ(ActionForCharacter(ch).has_value(), mapped.find(ch) != std::u32string::npos)
        << static_cast<unsigned>(ch);
  }
  EXPECT_EQ(ActionForCharacter(U'7'), Action::Digit7);
  EXPECT_EQ(ActionForCharacter(U'.'), Action::Point);
  EXPECT_EQ(ActionForCharacter(U'/'), Action::Divide);
  EXPECT_EQ(ActionForCharacter(U'P'), Action::SignChange);
  EXPECT_EQ(ActionForCharacter(U'z'), Action::TripleZero);
  EXPECT_FALSE(ActionForCharacter(U'．'));  // the full-width point of the button caption
  // The decimal separator in force types the point too; a byte of a
  // multi-byte locale separator is no character of its own.
  EXPECT_FALSE(ActionForCharacter(U','));
  EXPECT_EQ(ActionForCharacter(U',', {',', '.'}), Action::Point);
  EXPECT_EQ(ActionForCharacter(U'.', {',', '.'}), Action::Point);
  EXPECT_FALSE(ActionForCharacter(U'\xA0', {'\xA0', ','}));
  EXPECT_EQ(ActionForKey(NamedKey::Backspace), Action::Backspace);
  EXPECT_EQ(ActionForKey(NamedKey::Home), Action::Clear);
  EXPECT_EQ(ActionForKey(NamedKey::Enter), Action::Equals);
}

TEST_F(TapeTest, NamedKeysActLikeTheirButtons) {
  Type("12+3");
  tape.PressKey(NamedKey::Backspace);
  Type("4");
  tape.PressKey(NamedKey::Enter);
  EXPECT_EQ(tape.Lines(), (Lines{"12+", "4", "=16.00000"}));
  EXPECT_EQ(out.title, "16.00000");

  // Home clears the display, the engine and every line, but not the title.
  tape.PressKey(NamedKey::Home);
  EXPECT_TRUE(tape.Lines().empty());
  EXPECT_EQ(out.display, "");
  EXPECT_EQ(engine.State(), EngineState::EnteringLeft);
  EXPECT_EQ(engine.LeftText(), "");
  EXPECT_EQ(out.title, "16.00000");
}

TEST_F(TapeTest, ObserverSeesEveryLineAndEveryClear) {
  RecordingObserver observer;
  tape.SetObserver(&observer);
  Type("1+2=");
  tape.Perform(Action::Clear);
  Type("=");
  EXPECT_EQ(observer.seen, (Lines{"1+", "2", "=3.00000", "<cleared>", "", "="}));
}

// The flat line store gives every line back byte for byte, wherever the
// line boundaries fall: empty lines (first, middle, last), bytes that a
// separator-based store would split on, and a line longer than the rest.
TEST(TapeHistoryLines, GiveBackEveryLineByteForByte) {
  const Lines lines{"", "12+", "", std::string("a\0b", 3), "x\ny", std::string(70'000, '7'), "=", ""};
  HistoryLines store;
  for (const std::string& line : lines) {
    store.push_back(line);
    EXPECT_EQ(store.back(), line);
  }
  EXPECT_EQ(store, lines);
  ASSERT_EQ(store.size(), lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(store[i], lines[i]) << i;
  EXPECT_EQ(store.TextBytes(), 3u + 3u + 3u + 70'000u + 1u);
  EXPECT_FALSE(store == Lines(lines.begin(), lines.end() - 1));

  store.clear();
  EXPECT_TRUE(store.empty());
  EXPECT_EQ(store.TextBytes(), 0u);
  store.push_back("5");
  EXPECT_EQ(store, Lines{"5"});
}

// An overflow ends the action where it stands: the operator line is written,
// an equals keeps its first line but gets no "=" line.
TEST_F(TapeTest, OverflowEndsTheActionAfterItsFirstLine) {
  const std::string huge = "1" + std::string(400, '0');
  Type(huge);
  EXPECT_THROW(tape.TypeCharacter(U'+'), FloatOverflowError);
  EXPECT_EQ(tape.Lines(), (Lines{huge + "+"}));

  const std::string big = "1" + std::string(200, '0');
  tape.ClearWithHistory();
  Type(big + "*" + big);
  EXPECT_THROW(tape.PressKey(NamedKey::Enter), FloatOverflowError);
  EXPECT_EQ(tape.Lines(), (Lines{big + "*", big}));
  EXPECT_EQ(out.display, big);
  EXPECT_EQ(out.title, Tape::kInitialTitle);
}

// The point key types the decimal separator in force, so fractions typed
// under a decimal-comma locale parse, and chained grouped results read back.
TEST_F(TapeTest, PointKeyTypesTheDecimalSeparatorInForce) {
  struct PairCase {
    char decimal, thousands;
    const char* keys;
    Lines lines;
    const char* display;
  };
  const PairCase cases[] = {
      {'.', ',', "1.5*1000=+.25=",
       {"1.5*", "1000", "=1,500.00000", "1,500.00000+", ".25", "=1,500.25000"}, "1,500.25000"},
      {',', '.', "1.5*1000=+.25=",
       {"1,5*", "1000", "=1.500,00000", "1.500,00000+", ",25", "=1.500,25000"}, "1.500,25000"},
      {',', ' ', "1.5*1000=+.25=",
       {"1,5*", "1000", "=1 500,00000", "1 500,00000+", ",25", "=1 500,25000"}, "1 500,25000"},
      {',', '.', "1234.5+0=p", {"1234,5+", "0", "=1.234,50000"}, "-1234,5"},
      {',', ' ', "1.2.3+", {"1,2,3+"}, "convert error"},
      {',', '.', "1,5*2=", {"1,5*", "2", "=3,00000"}, "3,00000"},
  };
  for (const PairCase& c : cases) {
    tape.SetSeparators({c.decimal, c.thousands});
    tape.ClearWithHistory();
    Type(c.keys);
    EXPECT_EQ(tape.Lines(), c.lines) << c.keys << " with '" << c.decimal << c.thousands << "'";
    EXPECT_EQ(out.display, c.display) << c.keys << " with '" << c.decimal << c.thousands << "'";
  }
}

// New separators (the user changed the regional settings) apply from the
// next action on; what was typed or shown before stays as it is.
TEST_F(TapeTest, NewSeparatorsTakeEffectBetweenActions) {
  Type("1.5+");
  tape.SetSeparators({',', '.'});
  Type("1000.5=");
  EXPECT_EQ(tape.Lines(), (Lines{"1.5+", "1000,5", "=1.002,00000"}));
  tape.SetSeparators({'.', ','});
  Type("+1=");
  EXPECT_EQ(out.display, "2.00200");  // read with '.' as the point, 1.002,00000 is 1.002
}

TEST(ErrorBoxText, AddsAFullStopAfterCharactersSortingAfterIt) {
  const struct {
    const char* message;
    const char* shown;
  } cases[] = {
      {"浮動小数点数のオーバーフロー", "浮動小数点数のオーバーフロー."},
      {"/tmp/kelto.ini に書き込めません", "/tmp/kelto.ini に書き込めません."},
      {"done.", "done."},
      {"abc", "abc."},
      {"a-", "a-"},  // "-" and "," sort before "."
      {"a,", "a,"},
      {"a/", "a/."},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorBoxText(c.message), c.shown) << c.message;
  EXPECT_EQ(ErrorBoxText(FloatOverflowError().what()), "浮動小数点数のオーバーフロー.");
}

}  // namespace
}  // namespace numira
