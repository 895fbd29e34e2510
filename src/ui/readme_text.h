// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The readme window's fixed text, one UTF-8 entry per line: name and version,
// usage notes and the change history. Both front-ends show exactly these
// lines, joined by line breaks.

#include <array>
#include <cstddef>
#include <span>

namespace numira {

inline constexpr std::size_t kReadmeLineCount = 43;

std::span<const char* const, kReadmeLineCount> ReadmeText();

}  // namespace numira
