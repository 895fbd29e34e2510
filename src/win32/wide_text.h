// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// UTF-8 (the core's texts) to UTF-16 (the Win32 ...W calls) and back.

#include <string>
#include <string_view>

namespace numira::win32 {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

}  // namespace numira::win32
