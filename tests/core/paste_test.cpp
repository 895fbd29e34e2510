// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Pasting a number: which clipboard texts are numbers, and how the pasted
// number replaces the operand in each state of the engine.

#include "core/paste.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/numtext.h"
#include "core/tape.h"
#include "tape_fixture.h"

namespace numira {
namespace {

using Lines = std::vector<std::string>;

constexpr Separators kPoint{'.', ','};
constexpr Separators kComma{',', '.'};
constexpr Separators kCommaSpace{',', ' '};

using PasteTest = TapeFixture;

// Each text is pasted onto a typed 9: the display shows the number as the
// keys would have typed it into a fresh operand, or still 9 for a refusal.
TEST_F(PasteTest, ReadsFiguresAsOfficeUsersCopyThem) {
  struct Row {
    std::string text;
    Separators separators;
    std::optional<std::string> display;  // nothing: refused
  };
  const std::optional<std::string> refused;
  const Row rows[] = {
      // The examples of the paste feature's description.
      {"￥１２，３４５", kPoint, "12345"},
      {"△1,000", kPoint, "-1000"},
      {"(2,500)", kPoint, "-2500"},
      {"  3.5\r\n", kPoint, "3.5"},
      {"1.5E3", kPoint, refused},
      {"12 apples", kPoint, refused},
      {"1,2,3.4.5", kPoint, refused},
      {"1.234,5", kComma, "1234,5"},
      // Signs, currencies, parentheses.
      {"1,234\r\n", kPoint, "1234"},
      {"\t-0.25\t", kPoint, "-0.25"},
      {"−7", kPoint, "-7"},
      {"－８", kPoint, "-8"},
      {"▲1,500円", kPoint, "-1500"},
      {"+42", kPoint, "42"},
      {"$1,234.50", kPoint, "1234.50"},
      {"-€3", kPoint, "-3"},
      {"¥-1,000", kPoint, "-1000"},
      {"(£2,500.5)", kPoint, "-2500.5"},
      {"　１２．５　", kPoint, "12.5"},
      {".5", kPoint, ".5"},
      {"007", kPoint, "007"},
      {"(-5)", kPoint, refused},
      {"--5", kPoint, refused},
      {"+-5", kPoint, refused},
      {"¥5円", kPoint, refused},
      {"5-", kPoint, refused},
      {"(5", kPoint, refused},
      {"$$5", kPoint, refused},
      {"5 円", kPoint, refused},
      // Grouping marks: one kind, between digits, before the point.
      {"1'234'567", kPoint, "1234567"},
      {"1 234", kPoint, "1234"},
      {"1\u00A0234,5", kCommaSpace, "1234,5"},
      {"1\u2009234\u2009567", kPoint, "1234567"},
      {"1\u202F234", kPoint, "1234"},
      {"12,34,567", kPoint, "1234567"},
      {"1.234.567", kComma, "1234567"},
      {"1,5", kComma, "1,5"},
      {"1.5", kCommaSpace, refused},  // neither the point nor a grouping mark there
      {"1,234 567", kPoint, refused},
      {"1,,234", kPoint, refused},
      {",123", kPoint, refused},
      {"123,", kPoint, refused},
      {"1.5 2", kPoint, refused},
      {"1.234,5", kPoint, refused},
      {"12\r\n34", kPoint, refused},
      // Neither digits nor a number.
      {"", kPoint, refused},
      {" \r\n", kPoint, refused},
      {".", kPoint, refused},
      {"-", kPoint, refused},
      {"()", kPoint, refused},
      {"12%", kPoint, refused},
      {"0x10", kPoint, refused},
      {"1e5", kPoint, refused},
      {std::string(kPasteCharacterLimit, '1'), kPoint, std::string(kPasteCharacterLimit, '1')},
      {std::string(kPasteCharacterLimit + 1, '1'), kPoint, refused},
      {"1" + std::string(kPasteCharacterLimit, ' '), kPoint, refused},  // long before trimming
      {"\xE0\x80\xB1", kPoint, refused},                                // an overlong "1"
      {"12\xFF", kPoint, refused},
  };
  for (const Row& row : rows) {
    const std::string label = row.text.size() > 40 ? row.text.substr(0, 40) + "..." : row.text;
    tape.SetSeparators(row.separators);
    tape.ClearWithHistory();
    Type("9");
    EXPECT_EQ(tape.Paste(row.text), row.display.has_value()) << label;
    EXPECT_EQ(out.display, row.display.value_or("9")) << label;
    EXPECT_TRUE(tape.Lines().empty()) << label;
  }
}

// The pasted number becomes the operand typing would enter next: the right
// operand after an operator, in place of a typed one, and a new left operand
// after a result (where typing would append to the result text).
TEST_F(PasteTest, ReplacesTheOperandOfEachState) {
  struct Row {
    const char* before;
    const char* text;
    const char* after;
    Lines lines;
    const char* display;
  };
  const Row rows[] = {
      {"12+", "5", "=", {"12+", "5", "=17.00000"}, "17.00000"},
      {"12+3", "5", "=", {"12+", "5", "=17.00000"}, "17.00000"},
      {"12+3=", "7", "+1=", {"12+", "3", "=15.00000", "7+", "1", "=8.00000"}, "8.00000"},
      {"12+3=", "7", "=", {"12+", "3", "=15.00000", "7", "=7"}, "7"},
      {"12+", "△2", "=", {"12+", "-2", "=10.00000"}, "10.00000"},
      {"12+3", "(2)", "*2=", {"12+", "-2*", "2", "=20.00000"}, "20.00000"},
      {"45", "6", "7+1=", {"67+", "1", "=68.00000"}, "68.00000"},
      {"+", "5", "+1=", {"+", "5+", "1", "=6.00000"}, "6.00000"},  // after "convert error"
      {"12+3", "x", "=", {"12+", "3", "=15.00000"}, "15.00000"},  // refused: nothing changed
  };
  for (const Row& row : rows) {
    tape.ClearWithHistory();
    Type(row.before);
    const Lines before(tape.Lines().begin(), tape.Lines().end());
    tape.Paste(row.text);
    EXPECT_EQ(tape.Lines(), before) << row.before << " paste " << row.text;
    Type(row.after);
    EXPECT_EQ(tape.Lines(), row.lines) << row.before << " paste " << row.text;
    EXPECT_EQ(out.display, row.display) << row.before << " paste " << row.text;
  }
}

// A negative number beyond the double range fails at its sign change, as
// the key would: the digits stay entered and the error reaches the caller.
TEST_F(PasteTest, SignChangeOfAHugeNumberOverflowsAsTheKeyDoes) {
  const std::string huge = "1" + std::string(400, '0');
  EXPECT_THROW(tape.Paste("-" + huge), FloatOverflowError);
  EXPECT_EQ(out.display, huge);
  EXPECT_EQ(engine.LeftText(), huge);
}

}  // namespace
}  // namespace numira
