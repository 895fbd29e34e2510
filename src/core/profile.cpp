// The ini-file layer: finding and setting one key in a file's bytes, and the
// two file operations on top of them.

#include "core/profile.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_access.h"

namespace numira {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

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

// One line of the content: its text is [begin, end), its line end (LF, CRLF
// or nothing for a last line without one) is [end, next).
struct Line {
  std::size_t begin;
  std::size_t end;
  std::size_t next;
};

std::vector<Line> SplitLines(std::string_view content) {
  std::vector<Line> lines;
  std::size_t pos = content.substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
  while (pos < content.size()) {
    std::size_t lf = content.find('\n', pos);
    if (lf == std::string_view::npos) {
      lines.push_back({pos, content.size(), content.size()});
      break;
    }
    std::size_t end = (lf > pos && content[lf - 1] == '\r') ? lf - 1 : lf;
    lines.push_back({pos, end, lf + 1});
    pos = lf + 1;
  }
  return lines;
}

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

struct Location {
  std::optional<std::size_t> section_line;  // the first matching header
  std::optional<std::size_t> key_line;      // the first matching key in it
  std::size_t last_key_or_header = 0;       // where a new key of the section goes after
};

Location Locate(std::string_view content, const std::vector<Line>& lines, std::string_view section,
                std::string_view key) {
  Location where;
  KeyScan scan(section, key);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    LineKind kind = scan.Next(content.substr(lines[i].begin, lines[i].end - lines[i].begin));
    if (kind == LineKind::End) break;
    if (kind == LineKind::SectionHead) where.section_line = i;
    if (kind != LineKind::Other) where.last_key_or_header = i;
    if (kind == LineKind::Match) {
      where.key_line = i;
      break;
    }
  }
  return where;
}

// The value of a key line as a read gives it.
std::string CleanValue(std::string_view key_line) {
  std::string_view value = Trim(key_line.substr(*KeyLineEquals(key_line) + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value.substr(0, kProfileValueLimit));
}

// Finds one key in bytes that arrive piece by piece (a file as it is read),
// cutting them into lines as SplitLines does: LF or CRLF ends a line, a last
// line may have none (and then keeps a final CR), a byte order mark before
// the first line is no part of it. Only a line cut by the end of a piece is
// copied, so a huge file costs no more memory than its longest line.
class KeyFinder {
 public:
  KeyFinder(std::string_view section, std::string_view key) : scan_(section, key) {}

  // Takes the next piece; false once the search has ended.
  bool Feed(std::string_view piece) {
    while (!done_ && !piece.empty()) {
      std::size_t lf = piece.find('\n');
      if (lf == std::string_view::npos) {
        partial_.append(piece);
        break;
      }
      std::string_view text = piece.substr(0, lf);
      if (!partial_.empty()) text = partial_.append(text);
      piece.remove_prefix(lf + 1);
      if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
      TakeLine(text);
      partial_.clear();
    }
    return !done_;
  }

  // The last line, when the bytes did not end with a line end.
  void Finish() {
    if (!done_ && !partial_.empty()) TakeLine(partial_);
    done_ = true;
  }

  const std::string& Value() const { return value_; }

 private:
  void TakeLine(std::string_view text) {
    if (first_line_ && text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
      text.remove_prefix(kByteOrderMark.size());
    }
    first_line_ = false;
    LineKind kind = scan_.Next(text);
    if (kind == LineKind::Match) value_ = CleanValue(text);
    done_ = kind == LineKind::Match || kind == LineKind::End;
  }

  KeyScan scan_;
  std::string partial_;
  std::string value_;
  bool first_line_ = true;
  bool done_ = false;
};

std::string_view LineEndStyle(const std::vector<Line>& lines) {
  for (const Line& line : lines) {
    if (line.next - line.end == 2) return "\r\n";
    if (line.next - line.end == 1) return "\n";
  }
  return "\n";
}

}  // namespace

std::string FindProfileValue(std::string_view content, std::string_view section, std::string_view key) {
  KeyFinder finder(section, key);
  finder.Feed(content);
  finder.Finish();
  return finder.Value();
}

std::string SetProfileValue(std::string_view content, std::string_view section, std::string_view key,
                            std::string_view value) {
  std::vector<Line> lines = SplitLines(content);
  Location where = Locate(content, lines, section, key);
  std::string_view eol = LineEndStyle(lines);
  std::string result;
  result.reserve(content.size() + section.size() + key.size() + value.size() + 8);

  if (where.key_line) {
    const Line& line = lines[*where.key_line];
    std::string_view text = content.substr(line.begin, line.end - line.begin);
    std::size_t value_begin = *KeyLineEquals(text) + 1;
    while (value_begin < text.size() && IsBlank(text[value_begin])) ++value_begin;
    result.append(content.substr(0, line.begin + value_begin));
    result.append(value);
    result.append(content.substr(line.end));
    return result;
  }

  std::string key_line = std::string(key) + "=" + std::string(value) + std::string(eol);
  if (where.section_line) {
    const Line& anchor = lines[where.last_key_or_header];
    result.append(content.substr(0, anchor.next));
    if (anchor.next == anchor.end) result.append(eol);
    result.append(key_line);
    result.append(content.substr(anchor.next));
    return result;
  }

  result.append(content);
  if (!lines.empty() && lines.back().next == lines.back().end) result.append(eol);
  result.append("[").append(section).append("]").append(eol);
  result.append(key_line);
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
  return !HasLineBreak(value);
}

std::string ReadProfileString(const std::string& path, std::string_view section, std::string_view key) {
  // Piece by piece, stopping at the key: a settings file of tens of megabytes
  // (junk, or another program's) must not cost a copy of itself per key.
  KeyFinder finder(section, key);
  if (!ReadFilePieces(path, [&](std::string_view piece) { return finder.Feed(piece); })) return std::string();
  finder.Finish();
  return finder.Value();
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
  if (!IsStorableProfileEntry(section, key, value)) return false;
  return ReplaceFileAtomically(path, [&](const std::string& old_bytes) {
    return SetProfileValue(old_bytes, section, key, value);
  });
}

}  // namespace numira
