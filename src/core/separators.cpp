// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The rule that picks the two separators from a locale's separator texts.

#include "core/separators.h"

#include <string_view>

#include "core/user_locale.h"

namespace numira {
namespace {

bool IsNoBreakSpace(std::string_view text) {
  return text == "\xC2\xA0" || text == "\xE2\x80\xAF";  // U+00A0, U+202F
}

}  // namespace

Separators ChooseSeparators(std::string_view decimal_text, std::string_view thousands_text) {
  Separators separators;
  if (decimal_text.size() == 1) separators.decimal = decimal_text[0];
  if (thousands_text.size() == 1) {
    separators.thousands = thousands_text[0];
  } else if (IsNoBreakSpace(thousands_text)) {
    separators.thousands = ' ';
  }
  // Equal separators would make every grouped result unreadable when chained.
  if (separators.thousands == separators.decimal) {
    separators.thousands = separators.decimal == ',' ? '.' : ',';
  }
  return separators;
}

Separators LoadSeparators() {
  const UserNumericSeparators texts = ReadUserNumericSeparators();
  return ChooseSeparators(texts.decimal, texts.thousands);
}

}  // namespace numira
