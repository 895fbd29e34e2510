// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The text of the general error box.

#include "core/error_box_text.h"

#include <string>
#include <string_view>

namespace numira {

std::string ErrorBoxText(std::string_view message) {
  std::string text(message);
  // Compared as unsigned bytes: the last byte of a Japanese message (UTF-8
  // continuation byte) sorts after "." and so gets the full stop.
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

}  // namespace numira
