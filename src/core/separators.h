// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The two separators of number texts as one value: the engine and the tape
// hold it and hand it to every conversion, so a change of the user's locale
// while the program runs is one new value given to the tape between two
// commands, and nothing else in the process changes.

#include <string_view>

namespace numira {

// The decimal separator (default '.') and the thousands separator (default
// ','): single bytes, always different from each other.
struct Separators {
  char decimal = '.';
  char thousands = ',';
  bool operator==(const Separators&) const = default;
};

// Chooses the separators from the locale's separator texts (UTF-8, as the
// C library reports them):
//   ".", ","        -> '.', ','
//   ",", "."        -> ',', '.'
//   ",", "\u00A0"   -> ',', ' '   (a no-break space, U+00A0 or U+202F, stands as ' ')
//   ",", ""         -> ',', '.'   (empty or multi-byte thousands: ',' by default,
//                                  which would clash with ',' decimal: then '.')
//   "",  ""         -> '.', ','
// A text that is not exactly one byte gives the default for that separator;
// the two never come out equal: a clash makes the thousands separator '.'
// when the decimal is ',' and ',' otherwise.
Separators ChooseSeparators(std::string_view decimal_text, std::string_view thousands_text);

// The separators of the user's numeric locale (LC_ALL, LC_NUMERIC, LANG as
// the C library resolves them) through ChooseSeparators, without changing the
// process locale. Read at start-up, and again wherever the platform announces
// changed regional settings.
Separators LoadSeparators();

}  // namespace numira
