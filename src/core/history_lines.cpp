// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "core/history_lines.h"

#include <algorithm>

namespace numira {

std::string_view HistoryLines::operator[](std::size_t index) const {
  const std::size_t start = starts_[index];
  const std::size_t end = index + 1 < starts_.size() ? starts_[index + 1] : text_.size();
  return std::string_view(text_).substr(start, end - start);
}

void HistoryLines::push_back(std::string_view line) {
  // The offset goes in first: if appending the text throws, the line count
  // is put back and the lines stay as they were.
  starts_.push_back(text_.size());
  try {
    text_.append(line);
  } catch (...) {
    starts_.pop_back();
    throw;
  }
}

void HistoryLines::clear() {
  // Swapped with empty ones, not cleared: a cleared vector or string keeps
  // its capacity, and a tape of a million lines would keep holding it.
  std::string().swap(text_);
  std::vector<std::size_t>().swap(starts_);
}

bool operator==(const HistoryLines& lines, const std::vector<std::string>& expected) {
  return std::ranges::equal(lines, expected, [](std::string_view a, const std::string& b) { return a == b; });
}

}  // namespace numira
