// The tape: history lines around the engine commands, and the key map.

#include "core/tape.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/calc.h"
#include "core/numtext.h"

namespace numira {
namespace {

struct CharacterKey {
  char32_t character;
  Action action;
};

// The character keys. They come from whatever key types the character, so the
// numeric keypad's digits, point and operators act like the main keyboard's.
constexpr CharacterKey kCharacterKeys[] = {
    {U'0', Action::Digit0}, {U'1', Action::Digit1}, {U'2', Action::Digit2},
    {U'3', Action::Digit3}, {U'4', Action::Digit4}, {U'5', Action::Digit5},
    {U'6', Action::Digit6}, {U'7', Action::Digit7}, {U'8', Action::Digit8},
    {U'9', Action::Digit9}, {U'.', Action::Point},
    {U'+', Action::Add},    {U'-', Action::Subtract},
    {U'*', Action::Multiply}, {U'/', Action::Divide},
    {U'=', Action::Equals},
    {U'p', Action::SignChange}, {U'P', Action::SignChange},
    {U'z', Action::TripleZero}, {U'Z', Action::TripleZero},
};

}  // namespace

std::optional<Action> ActionForCharacter(char32_t ch) {
  for (const CharacterKey& key : kCharacterKeys) {
    if (key.character == ch) return key.action;
  }
  return std::nullopt;
}

Action ActionForKey(NamedKey key) {
  switch (key) {
    case NamedKey::Backspace: return Action::Backspace;
    case NamedKey::Home: return Action::Clear;
    case NamedKey::Enter: return Action::Equals;
  }
  return Action::Equals;
}

std::string ErrorBoxText(std::string_view message) {
  std::string text(message);
  // Compared as unsigned bytes: the last byte of a Japanese message (UTF-8
  // continuation byte) sorts after "." and so gets the full stop.
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

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
      const char point = DecimalSeparator();
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
  const std::optional<Action> action = ActionForCharacter(ch);
  if (!action) return false;
  Perform(*action);
  return true;
}

void Tape::PressKey(NamedKey key) { Perform(ActionForKey(key)); }

}  // namespace numira
