// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The text of a settings file as the ini layer sees it, and back. A file is
// read as bytes (any 8-bit encoding passes through untouched), except one
// that starts with a UTF-16 byte order mark (what editors save as "Unicode"):
// its code units are turned into UTF-8 for reading and editing, and the
// edited text is turned back into UTF-16 of the same byte order, mark first.
// The round trip keeps every code unit: a lone surrogate becomes the 3-byte
// form UTF-8 would give it (as WTF-8 does) and comes back as itself.

#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace numira {

// Takes one piece of bytes or text; false stops the one who hands them over.
using PieceConsumer = std::function<bool(std::string_view piece)>;

enum class TextEncoding { Bytes, Utf16LittleEndian, Utf16BigEndian };

// A file's bytes, piece by piece, to its text, piece by piece. The encoding is
// told by the first two bytes: FF FE little endian, FE FF big endian (the
// mark is no part of the text), anything else bytes as they are.
//   bytes "FF FE 5B 00 73 00 5D 00" -> text "[s]"
// UTF-16 bytes of an odd count end in half a code unit (a line of ANSI text
// appended to a "Unicode" file leaves one): that last byte is no part of the
// text but its stray tail, which an encoder puts back after the text.
//   bytes "FF FE 5B 00 73 00 5D 00 78" -> text "[s]", stray tail "78"
class TextDecoder {
 public:
  explicit TextDecoder(PieceConsumer text_out) : out_(std::move(text_out)) {}

  // The next piece of bytes; false once the text's consumer has stopped.
  bool Feed(std::string_view bytes);
  // After the last piece.
  void Finish();
  TextEncoding Encoding() const { return encoding_; }
  // After Finish: the byte after the last whole UTF-16 code unit, or nothing.
  std::string_view StrayTail() const { return odd_byte_; }

 private:
  bool Decode(std::string_view bytes);
  bool Emit();

  PieceConsumer out_;
  TextEncoding encoding_ = TextEncoding::Bytes;
  bool decided_ = false;
  bool stopped_ = false;
  std::string head_;          // the first bytes, until the encoding is known
  std::string odd_byte_;      // half a code unit cut by the end of a piece
  char16_t high_surrogate_ = 0;
  std::string text_;          // decoded text waiting to go out
};

// Text back to bytes of `encoding`: as it is for Bytes, else UTF-16 with its
// byte order mark first.
class TextEncoder {
 public:
  TextEncoder(TextEncoding encoding, PieceConsumer bytes_out) : encoding_(encoding), out_(std::move(bytes_out)) {}

  // False when the sink fails, or when UTF-16 is asked for a text that is not
  // UTF-8 (nothing of that piece is written then).
  bool Write(std::string_view text);
  // After the last piece: writes `stray_tail` (a decoder's StrayTail) as it
  // is. False when the text ended inside a UTF-8 sequence or the sink fails.
  bool Finish(std::string_view stray_tail = {});

 private:
  bool Start();

  TextEncoding encoding_;
  PieceConsumer out_;
  bool started_ = false;
  std::string pending_;  // the start of a UTF-8 sequence cut by the end of a piece
};

}  // namespace numira
