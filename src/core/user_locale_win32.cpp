// Win32 thread-locale query: the user's decimal and thousands separators as
// the wide locale data spells them, turned into UTF-8. The narrow
// GetLocaleInfoA would give code-page bytes instead (0xA0 for the French
// no-break space under code page 1252), which the separator rules could not
// tell from any other byte.

#include <windows.h>

#include <string>

#include "core/user_locale.h"

namespace numira {
namespace {

std::string LocaleText(LCTYPE item) {
  // Separators are at most three characters plus the terminator.
  wchar_t wide[16] = {};
  const int length = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, item, wide, 16);
  if (length <= 1) return std::string();
  char utf8[64] = {};
  const int bytes = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, length - 1, utf8,
                                          static_cast<int>(sizeof utf8), nullptr, nullptr);
  return bytes > 0 ? std::string(utf8, static_cast<std::size_t>(bytes)) : std::string();
}

}  // namespace

UserNumericSeparators ReadUserNumericSeparators() {
  return {LocaleText(LOCALE_SDECIMAL), LocaleText(LOCALE_STHOUSAND)};
}

}  // namespace numira
