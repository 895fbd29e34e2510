// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The one key map of the program: every user action, and which typed
// characters and named keys give which action. The window's buttons and keys
// and the kelto-tape driver all map through here.

#include <optional>

#include "core/separators.h"

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
// "z"/"Z" map to their action, and so does the decimal separator in force
// (under a decimal comma "," types the point, as the keyboard's own decimal
// key then does); every other character maps to nothing.
//   '7' -> Digit7   '.' -> Point   ',' -> nothing, or Point when decimal is ','
std::optional<Action> ActionForCharacter(char32_t ch, Separators separators = {});
Action ActionForKey(NamedKey key);

}  // namespace numira
