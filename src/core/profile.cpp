// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The ini-file layer: finding one key and setting keys in a file's bytes, and
// the file operations on top of them. Text is taken piece by piece and line
// by line without ever holding a whole line, so neither a file's size nor the
// length of its longest line decides the memory a read or a write needs.

#include "core/profile.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/file_access.h"
#include "core/profile_text.h"

namespace numira {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// The bytes that end a value where they stand: NUL and ^Z.
constexpr std::string_view kValueEnds("\0\x1A", 2);
// A write reads the old file twice (to plan the changes, then to copy it);
// a file of at most this size is kept from the first read for the second.
constexpr std::size_t kReadOnceLimit = std::size_t{256} << 10;

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

bool IsLineEndByte(char c) { return c == '\n' || c == '\r'; }

// The first CR or LF in `text`, or npos; a plain loop, several times faster
// than find_first_of on files of many short lines.
std::size_t FindLineEndByte(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsLineEndByte(text[i])) return i;
  }
  return std::string_view::npos;
}

// A name between two marks of a line (a header's brackets, a key line's start
// and "="), blanks around it dropped, taken in pieces. Only a name of up to
// `limit` bytes is kept: no name looked for is longer, so a longer one needs
// no memory, only the note that it is too long.
class NameTaker {
 public:
  void Start(std::size_t limit) {
    limit_ = limit;
    name_.clear();
    blanks_ = 0;
    blank_text_.clear();
    too_long_ = false;
  }

  void Take(std::string_view text) {
    if (too_long_) return;
    if (name_.empty()) {
      while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);  // before the name
    }
    std::size_t core = text.size();
    while (core > 0 && IsBlank(text[core - 1])) --core;
    if (core > 0) {
      // The blanks before this piece's last bytes lie inside the name.
      if (name_.size() + blanks_ + core > limit_) {
        too_long_ = true;
        return;
      }
      name_.append(blank_text_);
      name_.append(text.substr(0, core));
      blanks_ = 0;
      blank_text_.clear();
    }
    // Blanks after the name so far: inside the name or after it, the next
    // piece tells. Only as many as can still be inside a name are kept.
    const std::string_view trailing = text.substr(core);
    if (name_.empty() || trailing.empty()) return;
    blanks_ += trailing.size();
    if (name_.size() + blanks_ <= limit_) blank_text_.append(trailing);
  }

  // Whether the name taken, blanks after it dropped, is `wanted`.
  bool Is(std::string_view wanted) const { return !too_long_ && SameName(name_, wanted); }

 private:
  std::size_t limit_ = 0;
  std::string name_;
  std::size_t blanks_ = 0;  // after the name so far
  std::string blank_text_;  // those blanks, while they can still be inside a name
  bool too_long_ = false;
};

// The value of a key line as a read gives it: up to a NUL or a ^Z (0x1A, the
// old end-of-file mark; both end a value for the platform's reader too, so
// NUL padding left by a crashed in-place rewrite reads as the value before
// it), blanks around it dropped, one pair of enclosing quotes removed, cut to
// kProfileValueLimit bytes. Taken in pieces from the first byte after the
// blanks that follow the "=" up to the NUL or ^Z, keeping only what the
// result can need.
class ValueTaker {
 public:
  void Start() {
    head_.clear();
    taken_ = 0;
    trimmed_size_ = 0;
    last_ = '\0';
  }

  void Take(std::string_view text) {
    if (head_.size() < kKeep) head_.append(text.substr(0, kKeep - head_.size()));
    std::size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1])) --end;
    if (end > 0) {
      trimmed_size_ = taken_ + end;
      last_ = text[end - 1];
    }
    taken_ += text.size();
  }

  std::string Value() const {
    const std::size_t size = trimmed_size_;
    if (size >= 2 && (head_.front() == '"' || head_.front() == '\'') && last_ == head_.front()) {
      return head_.substr(1, std::min(size - 2, kProfileValueLimit));
    }
    return head_.substr(0, std::min(size, kProfileValueLimit));
  }

 private:
  // The value's first bytes: an opening quote and the limit.
  static constexpr std::size_t kKeep = kProfileValueLimit + 1;
  std::string head_;
  std::size_t taken_ = 0;
  std::size_t trimmed_size_ = 0;  // bytes up to the last one that is no blank
  char last_ = '\0';              // that byte
};

// What a line is for the ini layer:
//   Header   "[name]", blanks around the line and the name allowed; text
//            after the "]" does not count
//   KeyLine  any other line with a "=" whose first byte after blanks is not
//            ";" or "#": the key is the text before the first "="
//   Other    everything else (comments, blank lines, text)
enum class LineForm { Other, Header, KeyLine };

// Finds a line's form, its header name or key and where its value starts,
// from the line's text handed over piece by piece, in memory that does not
// grow with the line. A header's name and a key are both taken: a line that
// starts with "[" is a header only once a "]" is found.
class LineClassifier {
 public:
  // `name_limit`: the longest name that will be asked about; `value_key`:
  // the key whose value is taken, if any.
  LineClassifier(std::size_t name_limit, std::optional<std::string_view> value_key)
      : name_limit_(name_limit), value_key_(value_key) {
    Start();
  }

  void Feed(std::string_view text) {
    if (std::exchange(finished_, false)) Start();
    std::size_t i = 0;
    if (!lead_seen_) {
      while (i < text.size() && IsBlank(text[i])) ++i;
      if (i < text.size()) {
        lead_seen_ = true;
        if (text[i] == ';' || text[i] == '#') {
          key_stage_ = KeyStage::Done;  // a comment
        } else if (text[i] == '[') {
          header_stage_ = HeaderStage::Name;
        }
      }
    }
    if (i < text.size()) {
      if (header_stage_ == HeaderStage::Name) FeedHeader(text.substr(i + (header_started_ ? 0 : 1)));
      if (header_stage_ != HeaderStage::Closed) FeedKey(text.substr(i), at_ + i);
    }
    at_ += text.size();
  }

  // After the line's last piece: its form. What the line was stays known
  // until the next line's first piece.
  LineForm Finish() {
    if (std::exchange(finished_, true)) Start();  // an empty line
    form_ = header_stage_ == HeaderStage::Closed ? LineForm::Header
            : equals_seen_                       ? LineForm::KeyLine
                                                 : LineForm::Other;
    if (value_taken_) value_ = value_taker_.Value();
    return form_;
  }

  // Of the line last finished: whether its header's name or its key is
  // `name`, where its value starts in the line, and the value itself when the
  // key was `value_key` (empty otherwise).
  bool HeaderIs(std::string_view name) const { return form_ == LineForm::Header && header_name_.Is(name); }
  bool KeyIs(std::string_view name) const { return form_ == LineForm::KeyLine && key_name_.Is(name); }
  std::size_t ValueBegin() const { return value_begin_; }
  const std::string& Value() const { return value_; }

 private:
  enum class HeaderStage { None, Name, Closed };
  enum class KeyStage { Name, ValueLead, Value, Done };

  void Start() {
    at_ = 0;
    lead_seen_ = false;
    header_stage_ = HeaderStage::None;
    header_started_ = false;
    key_stage_ = KeyStage::Name;
    equals_seen_ = false;
    header_name_.Start(name_limit_);
    key_name_.Start(name_limit_);
    value_begin_ = 0;
    value_taken_ = false;
    value_.clear();
  }

  // The bytes after the "[" up to the first "]".
  void FeedHeader(std::string_view text) {
    header_started_ = true;
    const std::size_t close = text.find(']');
    header_name_.Take(text.substr(0, close));
    if (close != std::string_view::npos) header_stage_ = HeaderStage::Closed;
  }

  // The bytes from the first one that is no blank; `begin` is where `text`
  // starts in the line.
  void FeedKey(std::string_view text, std::size_t begin) {
    std::size_t i = 0;
    while (i < text.size()) {
      switch (key_stage_) {
        case KeyStage::Name: {
          const std::size_t equals = text.find('=', i);
          key_name_.Take(text.substr(i, equals - i));
          if (equals == std::string_view::npos) return;
          key_stage_ = KeyStage::ValueLead;
          equals_seen_ = true;
          value_taken_ = value_key_ && key_name_.Is(*value_key_);
          if (value_taken_) value_taker_.Start();
          i = equals + 1;
          value_begin_ = begin + i;
          break;
        }
        case KeyStage::ValueLead:
          while (i < text.size() && IsBlank(text[i])) ++i;
          value_begin_ = begin + i;
          if (i < text.size()) key_stage_ = value_taken_ ? KeyStage::Value : KeyStage::Done;
          break;
        case KeyStage::Value: {
          const std::size_t end = text.find_first_of(kValueEnds, i);
          value_taker_.Take(text.substr(i, end - i));
          if (end == std::string_view::npos) return;
          key_stage_ = KeyStage::Done;
          break;
        }
        case KeyStage::Done:
          return;
      }
    }
  }

  std::size_t name_limit_;
  std::optional<std::string_view> value_key_;
  bool finished_ = false;  // the line's end has been seen
  std::size_t at_ = 0;     // bytes of the line so far
  bool lead_seen_ = false;
  HeaderStage header_stage_ = HeaderStage::None;
  bool header_started_ = false;  // the "[" is behind
  KeyStage key_stage_ = KeyStage::Name;
  bool equals_seen_ = false;  // a key line, unless a "]" makes it a header
  NameTaker header_name_;
  NameTaker key_name_;
  std::size_t value_begin_ = 0;
  bool value_taken_ = false;
  ValueTaker value_taker_;
  LineForm form_ = LineForm::Other;
  std::string value_;
};

// What one line is for one section and key, the lines taken in file order.
enum class LineKind {
  Other,       // outside the section, or a line of it that is no key line
  SectionHead, // the first header of the section
  KeyLine,     // a key line of the section, another key
  Match,       // the first line of the key in the section: the search ends
  End,         // the next header after the section: the search ends
};

// Tells the lines of one section and key one after another, so that a file
// can be searched while it is read and the writer finds the very line a read
// finds.
class KeyScan {
 public:
  KeyScan(std::string_view section, std::string_view key) : section_(section), key_(key) {}

  // `line` has just finished the line.
  LineKind Next(LineForm form, const LineClassifier& line) {
    if (form == LineForm::Header) {
      if (in_section_) return LineKind::End;
      if (!line.HeaderIs(section_)) return LineKind::Other;
      in_section_ = true;
      return LineKind::SectionHead;
    }
    if (!in_section_ || form != LineForm::KeyLine) return LineKind::Other;
    return line.KeyIs(key_) ? LineKind::Match : LineKind::KeyLine;
  }

 private:
  std::string_view section_;
  std::string_view key_;
  bool in_section_ = false;
};

// Where one line lies in the whole text: [begin, begin + size) is its text,
// then its line end ("\r\n", "\n", "\r", or empty for a last line without).
struct LineInfo {
  std::size_t begin;
  std::size_t size;
  std::string_view end;
};

// Takes the lines a LineCutter cuts.
class LineHandler {
 public:
  // The next piece of the current line's text (none for an empty line).
  virtual void Text(std::string_view text) = 0;
  // The current line has ended; false ends the cutting.
  virtual bool End(const LineInfo& line) = 0;
  // A run of empty lines, which is not handed over line by line, starts at
  // `begin` with the byte `first`.
  virtual void SkippedEmptyLines(std::size_t begin, char first) = 0;

 protected:
  ~LineHandler() = default;
};

// Cuts text that arrives piece by piece into lines: CR LF, LF and a CR alone
// each end a line (so LF CR and CR CR LF end two). A UTF-8 byte order mark at
// the start is no part of the first line. A line's text is handed over as it
// comes, never copied, so a line of any length costs no memory.
class LineCutter {
 public:
  explicit LineCutter(LineHandler& handler) : handler_(handler) {}

  // Takes the next piece; false once the cutting has ended.
  bool Feed(std::string_view piece) {
    if (!head_done_) {
      // The first bytes wait until it is known whether they are the mark.
      const std::size_t take = std::min(piece.size(), kByteOrderMark.size() - head_.size());
      head_.append(piece.substr(0, take));
      piece.remove_prefix(take);
      if (head_.size() < kByteOrderMark.size() && kByteOrderMark.substr(0, head_.size()) == head_) return true;
      if (!TakeHead()) return false;
    }
    return Cut(piece);
  }

  // After the last piece: the last line, when the text did not end with a
  // line end.
  void Finish() {
    if (!head_done_) TakeHead();
    if (done_) return;
    if (pending_cr_) {
      EndLine("\r");
    } else if (line_size_ > 0) {
      EndLine("");
    }
    done_ = true;
  }

  // The bytes of text taken so far.
  std::size_t Size() const { return size_; }
  // The text's first line end; empty when no line has one.
  std::string_view FirstLineEnd() const { return first_end_; }

 private:
  bool TakeHead() {
    head_done_ = true;
    const std::string head = std::move(head_);
    if (head == kByteOrderMark) {
      size_ = line_begin_ = head.size();
      return true;
    }
    return Cut(head);
  }

  bool Cut(std::string_view piece) {
    while (!done_ && !piece.empty()) {
      if (pending_cr_) {
        // The line before ended with the piece's last byte, a CR.
        pending_cr_ = false;
        const bool lf = piece.front() == '\n';
        if (lf) Advance(piece, 1);
        EndLine(lf ? "\r\n" : "\r");
        continue;
      }
      if (line_size_ == 0 && !first_end_.empty()) {
        // At the start of a line: a run of line end bytes here is empty
        // lines, which no reader or writer needs one by one (a file of
        // millions of them must not cost a call each).
        std::size_t run = 0;
        while (run < piece.size() && IsLineEndByte(piece[run])) ++run;
        if (run > 0) {
          handler_.SkippedEmptyLines(size_, piece.front());
          Advance(piece, run);
          line_begin_ = size_;
          continue;
        }
      }
      const std::size_t stop = FindLineEndByte(piece);
      const std::string_view text = piece.substr(0, stop);
      if (!text.empty()) {
        handler_.Text(text);
        line_size_ += text.size();
      }
      if (stop == std::string_view::npos) {
        Advance(piece, piece.size());
        break;
      }
      if (piece[stop] == '\r' && stop + 1 == piece.size()) {
        Advance(piece, stop + 1);
        pending_cr_ = true;
        break;
      }
      const std::string_view end = piece[stop] == '\n' ? "\n" : piece[stop + 1] == '\n' ? "\r\n" : "\r";
      Advance(piece, stop + end.size());
      EndLine(end);
    }
    return !done_;
  }

  void Advance(std::string_view& piece, std::size_t count) {
    piece.remove_prefix(count);
    size_ += count;
  }

  void EndLine(std::string_view end) {
    if (first_end_.empty()) first_end_ = end;
    const LineInfo line{line_begin_, line_size_, end};
    line_begin_ = size_;
    line_size_ = 0;
    if (!handler_.End(line)) done_ = true;
  }

  LineHandler& handler_;
  std::string head_;  // the first bytes, until the mark is told apart
  bool head_done_ = false;
  std::size_t size_ = 0;
  std::size_t line_begin_ = 0;
  std::size_t line_size_ = 0;   // text of the current line so far
  std::string_view first_end_;  // one of the literals "\r\n", "\n", "\r"
  bool pending_cr_ = false;
  bool done_ = false;
};

// Finds one key in text that arrives piece by piece.
class KeyFinder final : public LineHandler {
 public:
  KeyFinder(std::string_view section, std::string_view key)
      : scan_(section, key), line_(std::max(section.size(), key.size()), key), cutter_(*this) {}

  bool Feed(std::string_view piece) { return cutter_.Feed(piece); }
  void Finish() { cutter_.Finish(); }
  const std::string& Value() const { return value_; }

 private:
  void Text(std::string_view text) override { line_.Feed(text); }
  bool End(const LineInfo&) override {
    const LineKind kind = scan_.Next(line_.Finish(), line_);
    if (kind == LineKind::Match) value_ = line_.Value();
    return kind != LineKind::Match && kind != LineKind::End;
  }
  void SkippedEmptyLines(std::size_t, char) override {}

  KeyScan scan_;
  LineClassifier line_;
  LineCutter cutter_;
  std::string value_;
};

// A change of the text: [cut_begin, cut_end) becomes `insert`.
struct TextEdit {
  std::size_t cut_begin = 0;
  std::size_t cut_end = 0;
  std::string insert;
  // Among changes at the same place, in this order: a value replaced (an
  // empty value on a last line without line end ends where the next change
  // starts), key lines added to a section, new sections.
  int rank = 0;
};

// Works out the changes that set several keys, from text that arrives piece
// by piece (see SetProfileValue for the rule of one key; SetProfileValues
// for several). It stops once every key or the end of its section is found;
// only a missing section needs the whole text.
class EditPlanner final : public LineHandler {
 public:
  EditPlanner(std::span<const ProfileEntry> entries, std::string_view new_line_end)
      : entries_(entries), new_line_end_(new_line_end), line_(LongestNameOf(entries), std::nullopt), cutter_(*this) {
    plans_.reserve(entries.size());
    for (const ProfileEntry& entry : entries) plans_.emplace_back(KeyScan(entry.section, entry.key));
  }

  bool Feed(std::string_view piece) { return cutter_.Feed(piece); }

  std::vector<TextEdit> Finish() {
    cutter_.Finish();
    const std::string eol(cutter_.FirstLineEnd().empty() ? new_line_end_ : cutter_.FirstLineEnd());
    const std::size_t end = cutter_.Size();
    std::vector<TextEdit> edits;
    // The entries of each missing section, in the order the sections are
    // first named: setting them one after another adds the section once, at
    // the end, and puts each further key line under the one before.
    std::vector<std::pair<std::string_view, std::vector<std::size_t>>> new_sections;
    for (std::size_t i = 0; i < plans_.size(); ++i) {
      const Plan& plan = plans_[i];
      const ProfileEntry& entry = entries_[i];
      if (plan.key_cut) {
        edits.push_back({plan.key_cut->first, plan.key_cut->second, std::string(entry.value), 0});
      } else if (plan.section_found) {
        std::string line = KeyLine(entry, eol);
        // A lone CR before an empty LF line would read as one CR LF line end
        // and swallow that empty line: end the new line with CR LF instead.
        if (eol == "\r" && plan.anchor_before_empty_lf_line) line += "\n";
        edits.push_back({plan.anchor_next, plan.anchor_next, std::move(line), 1});
      } else {
        auto same = std::find_if(new_sections.begin(), new_sections.end(),
                                 [&](const auto& section) { return SameName(section.first, entry.section); });
        if (same == new_sections.end()) same = new_sections.insert(same, {entry.section, {}});
        same->second.push_back(i);
      }
    }
    for (const auto& [section, members] : new_sections) {
      std::string lines = "[" + std::string(section) + "]" + eol;
      for (std::size_t i : members) lines += KeyLine(entries_[i], eol);
      edits.push_back({end, end, std::move(lines), 2});
    }
    std::stable_sort(edits.begin(), edits.end(), [](const TextEdit& a, const TextEdit& b) {
      return a.cut_begin != b.cut_begin ? a.cut_begin < b.cut_begin : a.rank < b.rank;
    });
    // Lines added after a last line without a line end give it one first.
    if (last_unended_) {
      for (TextEdit& edit : edits) {
        if (edit.cut_begin == end && edit.rank > 0) {
          edit.insert = eol + edit.insert;
          break;
        }
      }
    }
    return edits;
  }

 private:
  // What is known of one entry's key so far.
  struct Plan {
    explicit Plan(KeyScan key_scan) : scan(key_scan) {}
    KeyScan scan;
    bool done = false;  // the key, or the end of its section, is found
    bool section_found = false;
    std::size_t anchor_next = 0;  // after the section's last key line (or its header)
    bool anchor_before_empty_lf_line = false;  // the line after the anchor is an empty LF line
    std::optional<std::pair<std::size_t, std::size_t>> key_cut;  // the value of the key's line
  };

  static std::size_t LongestNameOf(std::span<const ProfileEntry> entries) {
    std::size_t longest = 0;
    for (const ProfileEntry& entry : entries) longest = std::max({longest, entry.section.size(), entry.key.size()});
    return longest;
  }

  static std::string KeyLine(const ProfileEntry& entry, const std::string& eol) {
    return std::string(entry.key) + "=" + std::string(entry.value) + eol;
  }

  void Text(std::string_view text) override { line_.Feed(text); }

  void SkippedEmptyLines(std::size_t begin, char first) override {
    for (Plan& plan : plans_) {
      if (!plan.done && begin == plan.anchor_next) plan.anchor_before_empty_lf_line = first == '\n';
    }
  }

  bool End(const LineInfo& line) override {
    const LineForm form = line_.Finish();
    last_unended_ = line.end.empty();
    bool all_done = true;
    for (Plan& plan : plans_) {
      if (plan.done) continue;
      if (line.begin == plan.anchor_next) {
        plan.anchor_before_empty_lf_line = line.size == 0 && line.end.substr(0, 1) == "\n";
      }
      const LineKind kind = plan.scan.Next(form, line_);
      if (kind == LineKind::End) {
        plan.done = true;
        continue;
      }
      if (kind == LineKind::SectionHead) plan.section_found = true;
      if (kind != LineKind::Other) {
        plan.anchor_next = line.begin + line.size + line.end.size();
        plan.anchor_before_empty_lf_line = false;
      }
      if (kind == LineKind::Match) {
        plan.key_cut = {line.begin + line_.ValueBegin(), line.begin + line.size};
        plan.done = true;
        continue;
      }
      all_done = false;
    }
    return !all_done;
  }

  std::span<const ProfileEntry> entries_;
  std::string_view new_line_end_;
  std::vector<Plan> plans_;
  LineClassifier line_;
  LineCutter cutter_;
  bool last_unended_ = false;  // the last line has no line end
};

// Writes the old text with the changes made, taking the old text piece by
// piece.
class EditWriter {
 public:
  EditWriter(const std::vector<TextEdit>& edits, TextEncoder& out) : edits_(edits), out_(out) {}

  // The next piece of the old text; false when a write fails.
  bool Copy(std::string_view text) {
    const std::size_t from = at_;
    const std::size_t to = at_ + text.size();
    at_ = to;
    std::size_t pos = from;
    for (;;) {
      if (pos < skip_until_) pos = std::min(to, skip_until_);
      if (next_ < edits_.size() && edits_[next_].cut_begin < to) {
        const TextEdit& edit = edits_[next_++];
        ok_ = ok_ && out_.Write(text.substr(pos - from, edit.cut_begin - pos)) && out_.Write(edit.insert);
        pos = edit.cut_begin;
        skip_until_ = edit.cut_end;
        continue;
      }
      if (pos < to) ok_ = ok_ && out_.Write(text.substr(pos - from));
      return ok_;
    }
  }

  // After the last piece: the changes at the end. False when a write failed
  // or the text was shorter than the one the changes were planned on.
  bool Finish() {
    for (; next_ < edits_.size(); ++next_) {
      const TextEdit& edit = edits_[next_];
      if (edit.cut_begin != at_ || edit.cut_end != at_) return false;
      ok_ = ok_ && out_.Write(edit.insert);
    }
    return ok_ && skip_until_ <= at_;
  }

 private:
  const std::vector<TextEdit>& edits_;
  TextEncoder& out_;
  std::size_t next_ = 0;
  std::size_t at_ = 0;          // where in the old text the next piece starts
  std::size_t skip_until_ = 0;  // the end of the cut last passed
  bool ok_ = true;
};

// Reads text through `read_bytes` (a file's bytes, piece by piece): false on
// a read error. The encoding found goes to `encoding` and, when all of the
// bytes were read, a UTF-16 file's stray last byte to `stray_tail`.
bool ReadText(const std::function<bool(const PieceConsumer&)>& read_bytes, const PieceConsumer& consume,
              TextEncoding& encoding, std::string* stray_tail = nullptr) {
  TextDecoder decoder(consume);
  bool stopped = false;
  if (!read_bytes([&](std::string_view piece) { return !(stopped = !decoder.Feed(piece)); })) return false;
  if (!stopped) {
    decoder.Finish();
    if (stray_tail != nullptr) *stray_tail = decoder.StrayTail();
  }
  encoding = decoder.Encoding();
  return true;
}

// Sets the keys in the bytes that `read_bytes` gives (twice: once to find the
// places, once to copy) and hands the new bytes to `write_bytes`, in the old
// bytes' encoding. False, with possibly some bytes written, when the old
// bytes cannot be read or the new ones cannot be written or encoded.
bool RewriteText(const std::function<bool(const PieceConsumer&)>& read_bytes, const PieceConsumer& write_bytes,
                 std::span<const ProfileEntry> entries, std::string_view new_line_end) {
  EditPlanner planner(entries, new_line_end);
  TextEncoding encoding = TextEncoding::Bytes;
  if (!ReadText(read_bytes, [&](std::string_view text) { return planner.Feed(text); }, encoding)) return false;
  const std::vector<TextEdit> edits = planner.Finish();

  TextEncoder encoder(encoding, write_bytes);
  EditWriter writer(edits, encoder);
  TextEncoding again = encoding;
  std::string stray_tail;
  if (!ReadText(read_bytes, [&](std::string_view text) { return writer.Copy(text); }, again, &stray_tail)) {
    return false;
  }
  return again == encoding && writer.Finish() && encoder.Finish(stray_tail);
}

std::function<bool(const PieceConsumer&)> ReaderOf(std::string_view content) {
  return [content](const PieceConsumer& consume) {
    if (!content.empty()) consume(content);
    return true;
  };
}

// The old content of a rewrite, for the two reads RewriteText makes: the
// first read goes on to the end while the content fits in kReadOnceLimit
// bytes (even after its reader has stopped) and keeps it, so the second read
// of a settings file of ordinary size does not touch the disk again.
class OldContent {
 public:
  explicit OldContent(const FileRewrite& file) : file_(file) {}

  bool Read(const PieceConsumer& consume) {
    if (kept_whole_) {
      if (!kept_.empty()) consume(kept_);
      return true;
    }
    const bool first = !read_before_;
    read_before_ = true;
    bool keeping = first;
    bool consuming = true;
    const bool ok = file_.read_old([&](std::string_view piece) {
      if (keeping && kept_.size() + piece.size() <= kReadOnceLimit) {
        kept_.append(piece);
      } else if (keeping) {
        keeping = false;
        std::string().swap(kept_);
      }
      if (consuming) consuming = consume(piece);
      return consuming || keeping;
    });
    kept_whole_ = ok && keeping;
    return ok;
  }

 private:
  const FileRewrite& file_;
  std::string kept_;
  bool read_before_ = false;
  bool kept_whole_ = false;
};

}  // namespace

std::string FindProfileValue(std::string_view content, std::string_view section, std::string_view key) {
  KeyFinder finder(section, key);
  TextEncoding encoding = TextEncoding::Bytes;
  ReadText(ReaderOf(content), [&](std::string_view text) { return finder.Feed(text); }, encoding);
  finder.Finish();
  return finder.Value();
}

std::string SetProfileValues(std::string_view content, std::span<const ProfileEntry> entries,
                             std::string_view new_line_end) {
  if (!AreStorableProfileEntries(entries)) return std::string(content);
  std::string result;
  result.reserve(content.size() + 64);
  const auto append = [&](std::string_view bytes) {
    result.append(bytes);
    return true;
  };
  if (!RewriteText(ReaderOf(content), append, entries, new_line_end)) return std::string(content);
  return result;
}

std::string SetProfileValue(std::string_view content, std::string_view section, std::string_view key,
                            std::string_view value, std::string_view new_line_end) {
  const ProfileEntry entry{section, key, value};
  return SetProfileValues(content, {&entry, 1}, new_line_end);
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

bool AreStorableProfileEntries(std::span<const ProfileEntry> entries) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!IsStorableProfileEntry(entries[i].section, entries[i].key, entries[i].value)) return false;
    for (std::size_t j = 0; j < i; ++j) {
      if (SameName(entries[i].section, entries[j].section) && SameName(entries[i].key, entries[j].key)) return false;
    }
  }
  return true;
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

bool WriteProfileStrings(const std::string& path, std::span<const ProfileEntry> entries) {
  if (!AreStorableProfileEntries(entries)) return false;
  return ReplaceFileAtomically(path, [&](const FileRewrite& file) {
    OldContent old(file);
    return RewriteText([&](const PieceConsumer& consume) { return old.Read(consume); }, file.write_new, entries,
                       PlatformLineEnd());
  });
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
  const ProfileEntry entry{section, key, value};
  return WriteProfileStrings(path, {&entry, 1});
}

}  // namespace numira
