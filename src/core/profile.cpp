// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The ini-file layer: finding and setting one key in a file's bytes, and the
// two file operations on top of them.

#include "core/profile.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/file_access.h"
#include "core/profile_text.h"

namespace numira {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// The bytes that end a value where they stand: NUL and ^Z.
constexpr std::string_view kValueEnds("\0\x1A", 2);

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// The section name of a header line, or nothing for any other line.
std::optional<std::string_view> HeaderName(std::string_view text) {
  std::string_view t = Trim(text);
  if (t.empty() || t.front() != '[') return std::nullopt;
  std::size_t close = t.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

// The position of the "=" of a key line, or nothing for any other line.
// Header lines are recognised before this is asked.
std::optional<std::size_t> KeyLineEquals(std::string_view text) {
  std::string_view t = Trim(text);
  if (t.empty() || t.front() == ';' || t.front() == '#') return std::nullopt;
  std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return equals;
}

// What one line is for one section and key, the lines taken in file order.
enum class LineKind {
  Other,       // outside the section, or a line of it that is no key line
  SectionHead, // the first header of the section
  KeyLine,     // a key line of the section, another key
  Match,       // the first line of the key in the section: the search ends
  End,         // the next header after the section: the search ends
};

// Classifies lines one after another, so that a file can be searched while
// it is read and the writer finds the very line a read finds.
class KeyScan {
 public:
  KeyScan(std::string_view section, std::string_view key) : section_(section), key_(key) {}

  // `text` is one line without its line end.
  LineKind Next(std::string_view text) {
    if (std::optional<std::string_view> name = HeaderName(text)) {
      if (in_section_) return LineKind::End;
      if (!SameName(*name, section_)) return LineKind::Other;
      in_section_ = true;
      return LineKind::SectionHead;
    }
    if (!in_section_) return LineKind::Other;
    std::optional<std::size_t> equals = KeyLineEquals(text);
    if (!equals) return LineKind::Other;
    return SameName(Trim(text.substr(0, *equals)), key_) ? LineKind::Match : LineKind::KeyLine;
  }

 private:
  std::string_view section_;
  std::string_view key_;
  bool in_section_ = false;
};

// The value of a key line as a read gives it: up to a NUL or a ^Z (0x1A, the
// old end-of-file mark; both end a value for the platform's reader too, so
// NUL padding left by a crashed in-place rewrite reads as the value before
// it), blanks around it dropped, one pair of enclosing quotes removed.
std::string CleanValue(std::string_view key_line) {
  std::string_view value = key_line.substr(*KeyLineEquals(key_line) + 1);
  value = value.substr(0, value.find_first_of(kValueEnds));
  value = Trim(value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value.substr(0, kProfileValueLimit));
}

bool IsLineEndByte(char c) { return c == '\n' || c == '\r'; }

// The first CR or LF in `text`, or npos; a plain loop, several times faster
// than find_first_of on files of many short lines.
std::size_t FindLineEndByte(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsLineEndByte(text[i])) return i;
  }
  return std::string_view::npos;
}

// One line of the text: [begin, begin + text.size()) in the whole text, then
// its line end ("\r\n", "\n", "\r", or empty for a last line without one).
struct CutLine {
  std::string_view text;
  std::size_t begin;
  std::string_view end;
};

// Cuts text that arrives piece by piece into lines: CR LF, LF and a CR alone
// each end a line (so LF CR and CR CR LF end two). Empty lines after the
// first line end are not handed over. A UTF-8 byte order mark
// before the first line is no part of it. Only a line cut by the end of a
// piece is copied, so a huge file costs no more memory than its longest line.
class LineCutter {
 public:
  // on_line returns false to end the cutting.
  explicit LineCutter(std::function<bool(const CutLine&)> on_line) : on_line_(std::move(on_line)) {}

  // Tells where each run of skipped empty lines begins and its first byte.
  void OnSkippedRun(std::function<void(std::size_t begin, char first)> on_run) { on_run_ = std::move(on_run); }

  // Takes the next piece; false once the cutting has ended.
  bool Feed(std::string_view piece) {
    while (!done_ && !piece.empty()) {
      if (!pending_cr_ && partial_.empty() && !first_end_.empty()) {
        // At the start of a line: a run of line end bytes here is empty
        // lines, which no reader or writer needs one by one (a file of
        // millions of them must not cost a call each).
        std::size_t run = 0;
        while (run < piece.size() && IsLineEndByte(piece[run])) ++run;
        if (run > 0) {
          if (on_run_) on_run_(size_, piece.front());
          Advance(piece, run);
          line_begin_ = size_;
          continue;
        }
      }
      if (pending_cr_) {
        // The line before ended with the piece's last byte, a CR.
        pending_cr_ = false;
        const bool lf = piece.front() == '\n';
        if (lf) Advance(piece, 1);
        Emit(partial_, lf ? "\r\n" : "\r");
        partial_.clear();
        continue;
      }
      const std::size_t stop = FindLineEndByte(piece);
      if (stop == std::string_view::npos) {
        partial_.append(piece);
        Advance(piece, piece.size());
        break;
      }
      const bool had_partial = !partial_.empty();
      std::string_view text = piece.substr(0, stop);
      if (had_partial) text = partial_.append(text);
      if (piece[stop] == '\r' && stop + 1 == piece.size()) {
        if (!had_partial) partial_.assign(text);
        Advance(piece, stop + 1);
        pending_cr_ = true;
        break;
      }
      const std::string_view end = piece[stop] == '\n' ? "\n" : piece[stop + 1] == '\n' ? "\r\n" : "\r";
      Advance(piece, stop + end.size());
      Emit(text, end);
      partial_.clear();
    }
    return !done_;
  }

  // After the last piece: the last line, when the text did not end with a
  // line end.
  void Finish() {
    if (done_) return;
    if (pending_cr_) {
      Emit(partial_, "\r");
    } else if (!partial_.empty()) {
      Emit(partial_, "");
    }
    done_ = true;
  }

  // The bytes of text taken so far.
  std::size_t Size() const { return size_; }
  // The text's first line end; empty when no line has one.
  std::string_view FirstLineEnd() const { return first_end_; }

 private:
  void Advance(std::string_view& piece, std::size_t count) {
    piece.remove_prefix(count);
    size_ += count;
  }

  void Emit(std::string_view text, std::string_view end) {
    if (first_end_.empty()) first_end_ = end;
    std::size_t begin = line_begin_;
    line_begin_ = size_;
    if (std::exchange(first_line_, false) && text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
      text.remove_prefix(kByteOrderMark.size());
      begin += kByteOrderMark.size();
      if (text.empty() && end.empty()) return;  // a mark alone is no line
    }
    if (!on_line_({text, begin, end})) done_ = true;
  }

  std::function<bool(const CutLine&)> on_line_;
  std::function<void(std::size_t begin, char first)> on_run_;
  std::string partial_;
  std::size_t size_ = 0;
  std::size_t line_begin_ = 0;
  std::string_view first_end_;  // one of the literals "\r\n", "\n", "\r"
  bool pending_cr_ = false;
  bool first_line_ = true;
  bool done_ = false;
};

// Finds one key in text that arrives piece by piece.
class KeyFinder {
 public:
  KeyFinder(std::string_view section, std::string_view key)
      : scan_(section, key), cutter_([this](const CutLine& line) { return TakeLine(line.text); }) {}

  bool Feed(std::string_view piece) { return cutter_.Feed(piece); }
  void Finish() { cutter_.Finish(); }
  const std::string& Value() const { return value_; }

 private:
  bool TakeLine(std::string_view text) {
    const LineKind kind = scan_.Next(text);
    if (kind == LineKind::Match) value_ = CleanValue(text);
    return kind != LineKind::Match && kind != LineKind::End;
  }

  KeyScan scan_;
  LineCutter cutter_;
  std::string value_;
};

// A write as one cut of the text: [cut_begin, cut_end) becomes `insert`.
struct TextEdit {
  std::size_t cut_begin = 0;
  std::size_t cut_end = 0;
  std::string insert;
};

// Works out the cut that sets one key, from text that arrives piece by piece
// (see SetProfileValue for the rule). It stops at the key, or at the end of
// its section; only a missing section needs the whole text.
class EditPlanner {
 public:
  EditPlanner(std::string_view section, std::string_view key, std::string_view value)
      : section_(section), key_(key), value_(value), scan_(section, key),
        cutter_([this](const CutLine& line) { return TakeLine(line); }) {
    cutter_.OnSkippedRun([this](std::size_t begin, char first) {
      if (begin == anchor_next_) anchor_before_empty_lf_line_ = first == '\n';
    });
  }

  bool Feed(std::string_view piece) { return cutter_.Feed(piece); }

  TextEdit Finish() {
    cutter_.Finish();
    TextEdit edit;
    if (key_cut_) {
      edit.cut_begin = key_cut_->first;
      edit.cut_end = key_cut_->second;
      edit.insert = std::string(value_);
      return edit;
    }
    const std::string eol = cutter_.FirstLineEnd().empty() ? std::string("\n") : std::string(cutter_.FirstLineEnd());
    const std::string key_line = std::string(key_) + "=" + std::string(value_) + eol;
    if (section_found_) {
      edit.cut_begin = edit.cut_end = anchor_next_;
      // A lone CR before an empty LF line would read as one CR LF line end
      // and swallow that empty line: end the new line with CR LF instead.
      const std::string line = eol == "\r" && anchor_before_empty_lf_line_ ? key_line + "\n" : key_line;
      edit.insert = (anchor_unended_ ? eol : std::string()) + line;
      return edit;
    }
    edit.cut_begin = edit.cut_end = cutter_.Size();
    edit.insert = (last_unended_ ? eol : std::string()) + "[" + std::string(section_) + "]" + eol + key_line;
    return edit;
  }

 private:
  bool TakeLine(const CutLine& line) {
    if (line.begin == anchor_next_) anchor_before_empty_lf_line_ = line.text.empty() && line.end.substr(0, 1) == "\n";
    last_unended_ = line.end.empty();
    const LineKind kind = scan_.Next(line.text);
    if (kind == LineKind::End) return false;
    if (kind == LineKind::SectionHead) section_found_ = true;
    if (kind != LineKind::Other) {
      anchor_next_ = line.begin + line.text.size() + line.end.size();
      anchor_unended_ = line.end.empty();
      anchor_before_empty_lf_line_ = false;
    }
    if (kind != LineKind::Match) return true;
    std::size_t value_begin = *KeyLineEquals(line.text) + 1;
    while (value_begin < line.text.size() && IsBlank(line.text[value_begin])) ++value_begin;
    key_cut_ = {line.begin + value_begin, line.begin + line.text.size()};
    return false;
  }

  std::string_view section_, key_, value_;
  KeyScan scan_;
  LineCutter cutter_;
  bool last_unended_ = false;       // the last line has no line end
  bool section_found_ = false;
  std::size_t anchor_next_ = 0;     // after the section's last key line (or its header)
  bool anchor_unended_ = false;
  bool anchor_before_empty_lf_line_ = false;  // the line after the anchor is an empty LF line
  std::optional<std::pair<std::size_t, std::size_t>> key_cut_;  // the value of the key's line
};

// Reads text through `read_bytes` (a file's bytes, piece by piece): true when
// all of it was read or `consume` stopped. The encoding found goes to
// `encoding`; false also when UTF-16 bytes end inside a code unit.
bool ReadText(const std::function<bool(const PieceConsumer&)>& read_bytes, const PieceConsumer& consume,
              TextEncoding& encoding) {
  TextDecoder decoder(consume);
  bool stopped = false;
  if (!read_bytes([&](std::string_view piece) { return !(stopped = !decoder.Feed(piece)); })) return false;
  const bool whole = stopped || decoder.Finish();
  encoding = decoder.Encoding();
  return whole;
}

// Sets one key in the bytes that `read_bytes` gives (twice: once to find the
// place, once to copy) and hands the new bytes to `write_bytes`, in the old
// bytes' encoding. False, with possibly some bytes written, when the old
// bytes cannot be read or the new ones cannot be written or encoded.
bool RewriteText(const std::function<bool(const PieceConsumer&)>& read_bytes, const PieceConsumer& write_bytes,
                 std::string_view section, std::string_view key, std::string_view value) {
  EditPlanner planner(section, key, value);
  TextEncoding encoding = TextEncoding::Bytes;
  if (!ReadText(read_bytes, [&](std::string_view text) { return planner.Feed(text); }, encoding)) return false;
  const TextEdit edit = planner.Finish();

  TextEncoder encoder(encoding, write_bytes);
  std::size_t at = 0;  // where in the text the next piece starts
  bool inserted = false;
  bool ok = true;
  const auto copy = [&](std::string_view text) {
    const std::size_t from = at;
    at += text.size();
    // The part before the cut, the insertion when the cut starts in this
    // piece, the part after the cut.
    if (from < edit.cut_begin) ok = ok && encoder.Write(text.substr(0, std::min(text.size(), edit.cut_begin - from)));
    if (!inserted && at >= edit.cut_begin && at > from) {
      inserted = true;
      ok = ok && encoder.Write(edit.insert);
    }
    if (at > edit.cut_end) {
      const std::size_t skip = edit.cut_end > from ? edit.cut_end - from : 0;
      ok = ok && encoder.Write(text.substr(skip));
    }
    return ok;
  };
  TextEncoding again = encoding;
  if (!ReadText(read_bytes, copy, again) || !ok || again != encoding) return false;
  if (!inserted && !encoder.Write(edit.insert)) return false;
  return encoder.Finish();
}

std::function<bool(const PieceConsumer&)> ReaderOf(std::string_view content) {
  return [content](const PieceConsumer& consume) {
    if (!content.empty()) consume(content);
    return true;
  };
}

}  // namespace

std::string FindProfileValue(std::string_view content, std::string_view section, std::string_view key) {
  KeyFinder finder(section, key);
  TextEncoding encoding = TextEncoding::Bytes;
  ReadText(ReaderOf(content), [&](std::string_view text) { return finder.Feed(text); }, encoding);
  finder.Finish();
  return finder.Value();
}

std::string SetProfileValue(std::string_view content, std::string_view section, std::string_view key,
                            std::string_view value) {
  std::string result;
  result.reserve(content.size() + section.size() + key.size() + value.size() + 8);
  const auto append = [&](std::string_view bytes) {
    result.append(bytes);
    return true;
  };
  if (!RewriteText(ReaderOf(content), append, section, key, value)) return std::string(content);
  return result;
}

bool IsStorableProfileEntry(std::string_view section, std::string_view key, std::string_view value) {
  if (section.empty() || Trim(section) != section || HasLineBreak(section) ||
      section.find(']') != std::string_view::npos) {
    return false;
  }
  if (key.empty() || Trim(key) != key || HasLineBreak(key) || key.find('=') != std::string_view::npos ||
      key.front() == '[' || key.front() == ';' || key.front() == '#') {
    return false;
  }
  return !HasLineBreak(value) && value.find_first_of(kValueEnds) == std::string_view::npos;
}

std::string ReadProfileString(const std::string& path, std::string_view section, std::string_view key) {
  // Piece by piece, stopping at the key: a settings file of tens of megabytes
  // (junk, or another program's) must not cost a copy of itself per key.
  KeyFinder finder(section, key);
  TextEncoding encoding = TextEncoding::Bytes;
  const auto read_file = [&path](const PieceConsumer& consume) { return ReadFilePieces(path, consume); };
  if (!ReadText(read_file, [&](std::string_view text) { return finder.Feed(text); }, encoding)) {
    return std::string();
  }
  finder.Finish();
  return finder.Value();
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
  if (!IsStorableProfileEntry(section, key, value)) return false;
  return ReplaceFileAtomically(path, [&](const FileRewrite& file) {
    return RewriteText(file.read_old, file.write_new, section, key, value);
  });
}

}  // namespace numira
