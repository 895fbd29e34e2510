// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The key map: typed characters and named keys to actions.

#include "core/key_map.h"

#include <optional>

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

std::optional<Action> ActionForCharacter(char32_t ch, Separators separators) {
  for (const CharacterKey& key : kCharacterKeys) {
    if (key.character == ch) return key.action;
  }
  // A separator is one byte; a locale's byte above 0x7F is no character of
  // its own here, so only an ASCII separator can be typed.
  const auto decimal = static_cast<unsigned char>(separators.decimal);
  if (decimal < 0x80 && ch == decimal) return Action::Point;
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

}  // namespace numira
