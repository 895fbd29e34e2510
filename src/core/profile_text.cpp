// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Byte order marks, UTF-16 to UTF-8 and back, piece by piece.

#include "core/profile_text.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace numira {
namespace {

constexpr std::size_t kMarkSize = 2;

std::uint8_t Byte(char c) { return static_cast<std::uint8_t>(c); }

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The length of the UTF-8 sequence a lead byte starts; 0 for a byte that
// starts none.
std::size_t SequenceLength(std::uint8_t lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// The code point of one whole sequence, or nothing when it is not UTF-8
// (surrogates, the lone ones a decode gives, are let through).
bool DecodeSequence(std::string_view s, char32_t& code) {
  code = s.size() == 1 ? Byte(s[0]) : Byte(s[0]) & (0x3F >> (s.size() - 1));
  for (std::size_t i = 1; i < s.size(); ++i) {
    if ((Byte(s[i]) & 0xC0) != 0x80) return false;
    code = (code << 6) | (Byte(s[i]) & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  return code >= kSmallest[s.size()] && code <= 0x10FFFF;
}

void AppendUnit(std::string& out, char32_t unit, bool big_endian) {
  const char high = static_cast<char>(unit >> 8);
  const char low = static_cast<char>(unit & 0xFF);
  out += big_endian ? high : low;
  out += big_endian ? low : high;
}

}  // namespace

bool TextDecoder::Feed(std::string_view bytes) {
  if (stopped_) return false;
  if (!decided_) {
    head_.append(bytes);
    if (head_.size() < kMarkSize) return true;
    decided_ = true;
    if (head_.compare(0, kMarkSize, "\xFF\xFE") == 0) encoding_ = TextEncoding::Utf16LittleEndian;
    if (head_.compare(0, kMarkSize, "\xFE\xFF") == 0) encoding_ = TextEncoding::Utf16BigEndian;
    std::string head = std::move(head_);
    std::string_view rest = head;
    if (encoding_ != TextEncoding::Bytes) rest.remove_prefix(kMarkSize);
    return Decode(rest);
  }
  return Decode(bytes);
}

bool TextDecoder::Decode(std::string_view bytes) {
  if (encoding_ == TextEncoding::Bytes) {
    stopped_ = !bytes.empty() && !out_(bytes);
    return !stopped_;
  }
  const bool big_endian = encoding_ == TextEncoding::Utf16BigEndian;
  std::string joined;
  if (!odd_byte_.empty()) {
    joined = odd_byte_ + std::string(bytes);
    odd_byte_.clear();
    bytes = joined;
  }
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const char32_t unit = big_endian ? (char32_t{Byte(bytes[i])} << 8) | Byte(bytes[i + 1])
                                     : (char32_t{Byte(bytes[i + 1])} << 8) | Byte(bytes[i]);
    if (high_surrogate_ != 0) {
      const char32_t high = std::exchange(high_surrogate_, 0);
      if (IsLowSurrogate(unit)) {
        AppendUtf8(text_, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
        continue;
      }
      AppendUtf8(text_, high);
    }
    if (IsHighSurrogate(unit)) {
      high_surrogate_ = static_cast<char16_t>(unit);
    } else {
      AppendUtf8(text_, unit);
    }
  }
  if (bytes.size() % 2 != 0) odd_byte_ = std::string(1, bytes.back());
  return Emit();
}

bool TextDecoder::Emit() {
  if (text_.empty()) return true;
  stopped_ = !out_(text_);
  text_.clear();
  return !stopped_;
}

void TextDecoder::Finish() {
  if (stopped_) return;
  if (!decided_) {
    decided_ = true;
    // Fewer than two bytes: no mark, so bytes as they are.
    std::string head = std::move(head_);
    Decode(head);
    return;
  }
  if (high_surrogate_ != 0) AppendUtf8(text_, std::exchange(high_surrogate_, 0));
  Emit();
}

bool TextEncoder::Start() {
  if (started_) return true;
  started_ = true;
  if (encoding_ == TextEncoding::Bytes) return true;
  std::string mark;
  AppendUnit(mark, 0xFEFF, encoding_ == TextEncoding::Utf16BigEndian);
  return out_(mark);
}

bool TextEncoder::Write(std::string_view text) {
  if (!Start()) return false;
  if (encoding_ == TextEncoding::Bytes) return text.empty() || out_(text);
  const bool big_endian = encoding_ == TextEncoding::Utf16BigEndian;
  std::string joined;
  if (!pending_.empty()) {
    joined = std::exchange(pending_, std::string()) + std::string(text);
    text = joined;
  }
  std::string units;
  units.reserve(text.size() * 2);
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t length = SequenceLength(Byte(text[i]));
    if (length == 0) return false;
    if (i + length > text.size()) {
      pending_ = std::string(text.substr(i));
      break;
    }
    char32_t code = 0;
    if (!DecodeSequence(text.substr(i, length), code)) return false;
    if (code >= 0x10000) {
      AppendUnit(units, 0xD800 + ((code - 0x10000) >> 10), big_endian);
      AppendUnit(units, 0xDC00 + ((code - 0x10000) & 0x3FF), big_endian);
    } else {
      AppendUnit(units, code, big_endian);
    }
    i += length;
  }
  return units.empty() || out_(units);
}

bool TextEncoder::Finish(std::string_view stray_tail) {
  return Start() && pending_.empty() && (stray_tail.empty() || out_(stray_tail));
}

}  // namespace numira
