#pragma once
// Platform stand-in: the separators of the user's numeric locale.

#include <string>

namespace numira {

struct UserNumericSeparators {
  std::string decimal;    // as the locale spells it (UTF-8), may be empty
  std::string thousands;  // may be empty or several bytes ("\u202F")
};

// Reads the user's numeric locale (LC_ALL, then LC_NUMERIC, then LANG, as the
// C library resolves them) without changing the process locale. A locale that
// cannot be loaded gives two empty texts.
// On Windows: the user's regional settings (GetLocaleInfoEx).
UserNumericSeparators ReadUserNumericSeparators();

}  // namespace numira
