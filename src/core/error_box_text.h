// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The text of the general error box, which shows every error that no
// handler catches.

#include <string>
#include <string_view>

namespace numira {

// The message, with "." added when its last byte sorts after ".":
//   "浮動小数点数のオーバーフロー" -> "浮動小数点数のオーバーフロー."
//   "done." -> "done."   "a-" -> "a-"   "" -> ""
std::string ErrorBoxText(std::string_view message);

}  // namespace numira
