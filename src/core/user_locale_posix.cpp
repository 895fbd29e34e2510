// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// POSIX stand-in for the thread-locale queries: a private locale object is
// made from the environment and queried, so the process locale stays "C".

#include <langinfo.h>
#include <locale.h>

#include "core/user_locale.h"

namespace numira {

UserNumericSeparators ReadUserNumericSeparators() {
  UserNumericSeparators result;
  locale_t locale = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return result;
  if (const char* decimal = nl_langinfo_l(RADIXCHAR, locale)) result.decimal = decimal;
  if (const char* thousands = nl_langinfo_l(THOUSEP, locale)) result.thousands = thousands;
  freelocale(locale);
  return result;
}

}  // namespace numira
