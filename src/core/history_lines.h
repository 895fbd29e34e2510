// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The tape's lines, kept flat: every line's text one after another in one
// buffer, and the offset at which each line starts. A line costs its own
// bytes plus one offset, where a vector of strings would cost a 32-byte
// string object per line before any text. The tape has no line limit, so in
// a long session this is most of what the history holds.
//
//   HistoryLines lines;
//   lines.push_back("12+");  lines.push_back("3");  lines.push_back("=15.00000");
//   lines.size() -> 3    lines[1] -> "3"    lines.back() -> "=15.00000"
//
// Lines may hold any bytes, line breaks and NULs included; the offsets, not
// separators, say where each ends.

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace numira {

class HistoryLines {
 public:
  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = std::string_view;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = std::string_view;

    const_iterator() = default;
    const_iterator(const HistoryLines* lines, std::size_t index) : lines_(lines), index_(index) {}

    std::string_view operator*() const { return (*lines_)[index_]; }
    const_iterator& operator++() {
      ++index_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator before = *this;
      ++index_;
      return before;
    }
    friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.index_ == b.index_; }

   private:
    const HistoryLines* lines_ = nullptr;
    std::size_t index_ = 0;
  };
  using iterator = const_iterator;
  using value_type = std::string_view;

  std::size_t size() const { return starts_.size(); }
  bool empty() const { return starts_.empty(); }

  // Line `index` (< size()). The view stays valid until the next push_back
  // or clear.
  std::string_view operator[](std::size_t index) const;
  std::string_view back() const { return (*this)[size() - 1]; }

  void push_back(std::string_view line);
  // Removes every line and gives their memory back.
  void clear();

  // The bytes of all line texts together.
  std::size_t TextBytes() const { return text_.size(); }

  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

  // Line by line, with any list of strings (what tests and the driver
  // compare against).
  friend bool operator==(const HistoryLines& lines, const std::vector<std::string>& expected);

 private:
  std::string text_;
  std::vector<std::size_t> starts_;
};

}  // namespace numira
