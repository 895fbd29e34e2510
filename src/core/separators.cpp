// The two process-wide separators and the rule that picks them from a locale.

#include <string_view>

#include "core/numtext.h"
#include "core/user_locale.h"

namespace numira {
namespace {

// Written once at start-up on the GUI thread, read by every conversion.
SeparatorPair g_separators;

bool IsNoBreakSpace(std::string_view text) {
  return text == "\xC2\xA0" || text == "\xE2\x80\xAF";  // U+00A0, U+202F
}

}  // namespace

char DecimalSeparator() { return g_separators.decimal; }
char ThousandSeparator() { return g_separators.thousands; }

void SetSeparators(char decimal, char thousands) { g_separators = {decimal, thousands}; }

SeparatorPair ChooseSeparators(std::string_view decimal_text, std::string_view thousands_text) {
  SeparatorPair pair;
  if (decimal_text.size() == 1) pair.decimal = decimal_text[0];
  if (thousands_text.size() == 1) {
    pair.thousands = thousands_text[0];
  } else if (IsNoBreakSpace(thousands_text)) {
    pair.thousands = ' ';
  }
  // Equal separators would make every grouped result unreadable when chained.
  if (pair.thousands == pair.decimal) pair.thousands = pair.decimal == ',' ? '.' : ',';
  return pair;
}

void LoadSeparators() {
  const UserNumericSeparators texts = ReadUserNumericSeparators();
  g_separators = ChooseSeparators(texts.decimal, texts.thousands);
}

}  // namespace numira
