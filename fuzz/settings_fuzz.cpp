// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The settings file under any bytes. Input: a first line "section|key|value"
// naming the key to write (split at the first two "|"), then the file's
// content. For every input:
//  - reading any key, and the four settings, from the content never fails and
//    gives at most 2047 bytes;
//  - an entry the writer refuses leaves a file untouched; otherwise (and for
//    the refused entry with its offending bytes removed) the written key reads
//    back as the written value, with blanks and one pair of quotes dropped;
//  - every byte outside the written key is kept: with the new file and the old
//    one cut into lines (each with its line end), the new file is the old one
//    with either one key line's value replaced (the line up to its "=" and the
//    blanks after it, and its line end, unchanged), or with the new key line
//    (after a new section header at the end, when the section is missing)
//    inserted, the line before it given a line end if it had none (lines end
//    at CR LF, LF or a CR alone; a UTF-16 content is only read back, and the
//    stray last byte of one of an odd byte count stays its last byte);
//  - several keys set in one pass (the four settings; the key above with
//    keys of its section and of the settings' sections) give exactly what
//    setting them one after another gives;
//  - saving the four settings over the content and reading them back gives
//    the saved values.
// One input in sixteen also goes through real files in a scratch folder on
// /dev/shm: the same checks on the file's bytes, no temporary file left over.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "core/inifile_.h"
#include "core/numtext.h"
#include "core/profile.h"
#include "core/profile_text.h"

namespace {

// Fails the run with a short note of what broke; libFuzzer saves the input.
void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "settings invariant broken: %s\n", what);
  std::abort();
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// What a read gives back for a written value: blanks around it dropped, one
// pair of enclosing quotes removed, cut to the read limit.
std::string ValueAsRead(std::string_view value) {
  value = Trim(value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value.substr(0, numira::kProfileValueLimit));
}

std::string WithoutAny(std::string_view text, std::string_view bytes) {
  std::string out;
  for (char c : text) {
    if (bytes.find(c) == std::string_view::npos) out += c;
  }
  return out;
}

// The entry with the bytes the writer refuses removed; never refused itself.
struct Entry {
  std::string section, key, value;
};

Entry Storable(const Entry& raw) {
  Entry e;
  e.section = std::string(Trim(WithoutAny(raw.section, "\r\n]")));
  std::string key = WithoutAny(raw.key, "\r\n=");
  std::string_view k = Trim(key);
  while (!k.empty() && (k.front() == '[' || k.front() == ';' || k.front() == '#')) k = Trim(k.substr(1));
  e.key = std::string(k);
  e.value = WithoutAny(raw.value, std::string_view("\r\n\0\x1A", 4));
  if (e.section.empty()) e.section = "s";
  if (e.key.empty()) e.key = "k";
  return e;
}

// The length of the line end at `at` ("\r\n", "\n" or "\r").
std::size_t LineEndLength(std::string_view text, std::size_t at) {
  return text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
}

// Lines with their line ends (CR LF, LF or CR; the last may have none).
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    std::size_t end = text.find_first_of("\r\n");
    std::size_t length = end == std::string_view::npos ? text.size() : end + LineEndLength(text, end);
    lines.push_back(text.substr(0, length));
    text.remove_prefix(length);
  }
  return lines;
}

std::string_view LineEnd(std::string_view line) {
  if (line.size() >= 2 && line.substr(line.size() - 2) == "\r\n") return line.substr(line.size() - 2);
  if (!line.empty() && (line.back() == '\n' || line.back() == '\r')) return line.substr(line.size() - 1);
  return {};
}

// The line end new lines get: the first one in the content, LF when none.
std::string_view NewLineEnd(std::string_view content) {
  std::size_t end = content.find_first_of("\r\n");
  if (end == std::string_view::npos) return "\n";
  return content.substr(end, LineEndLength(content, end));
}

// A content the ini layer reads as UTF-16: its bytes are not lines of text.
bool IsUtf16(std::string_view content) {
  return content.substr(0, 2) == "\xFF\xFE" || content.substr(0, 2) == "\xFE\xFF";
}

std::string Join(const std::vector<std::string_view>& lines, std::size_t from, std::size_t to) {
  std::string out;
  for (std::size_t i = from; i < to; ++i) out.append(lines[i]);
  return out;
}

// The byte-keeping rule of the file comment above, for one write.
void CheckOnlyTheKeyChanged(std::string_view before, std::string_view after, const Entry& e) {
  const std::vector<std::string_view> old_lines = Lines(before);
  const std::vector<std::string_view> new_lines = Lines(after);
  std::size_t head = 0;
  while (head < old_lines.size() && head < new_lines.size() && old_lines[head] == new_lines[head]) ++head;
  std::size_t tail = 0;
  while (tail < old_lines.size() - head && tail < new_lines.size() - head &&
         old_lines[old_lines.size() - 1 - tail] == new_lines[new_lines.size() - 1 - tail]) {
    ++tail;
  }
  const std::string old_part = Join(old_lines, head, old_lines.size() - tail);
  const std::string new_part = Join(new_lines, head, new_lines.size() - tail);
  const std::size_t old_count = old_lines.size() - tail - head;
  const std::size_t new_count = new_lines.size() - tail - head;
  if (old_count == 0 && new_count == 0) return;  // the same value again

  const std::string eol(NewLineEnd(before));
  const std::string key_line = e.key + "=" + e.value + eol;
  if (old_count == 1 && new_count == 1) {
    // One key line, its value replaced.
    std::string_view old_line = old_lines[head];
    std::string_view end = LineEnd(old_line);
    std::string_view text = old_line.substr(0, old_line.size() - end.size());
    std::size_t equals = text.find('=');
    Check(equals != std::string_view::npos, "a line without '=' was changed");
    std::size_t kept = equals + 1;
    while (kept < text.size() && IsBlank(text[kept])) ++kept;
    Check(new_part == std::string(text.substr(0, kept)) + e.value + std::string(end),
          "a replaced key line changed outside its value");
    return;
  }
  // Lines inserted; an old last line without a line end may have got one.
  std::string expected_old;
  std::string inserted = new_part;
  if (old_count == 1) {
    Check(head + 1 == old_lines.size() && LineEnd(old_lines[head]).empty(),
          "an old line other than an unended last line was changed");
    // A byte order mark alone is no line and gets no line end.
    const std::string added = before == kByteOrderMark ? "" : eol;
    Check(new_part.compare(0, old_part.size() + added.size(), old_part + added) == 0,
          "the unended last line got something other than a line end");
    inserted = new_part.substr(old_part.size() + added.size());
  } else {
    Check(old_count == 0, "more than one old line was changed");
  }
  // A CR-only file gets CR LF on a key line put before an empty LF line, so
  // that the two line ends do not read as one.
  const bool before_empty_lf_line = head < old_lines.size() && old_lines[head] == "\n";
  const bool joined_end_kept_apart = eol == "\r" && before_empty_lf_line && inserted == key_line + "\n";
  Check(inserted == key_line || joined_end_kept_apart || inserted == "[" + e.section + "]" + eol + key_line,
        "the inserted lines are not the key line (after its section header)");
}

// The window as the settings see it, in a place every monitor list keeps.
class PlainWindow : public numira::SettingsWindow {
 public:
  PlainWindow(std::int32_t left, std::int32_t top) : left_(left), top_(top) {}
  std::int32_t Left() const override { return left_; }
  std::int32_t Top() const override { return top_; }
  std::int32_t OuterWidth() const override { return 450; }
  std::int32_t OuterHeight() const override { return 250; }
  void SetLeft(std::int32_t left) override { left_ = left; }
  void SetTop(std::int32_t top) override { top_ = top; }

 private:
  std::int32_t left_, top_;
};

const std::vector<numira::MonitorRect> kMonitors = {{0, 0, 1920, 1080}};

struct SavedValues {
  std::int32_t top, left;
  bool stay, waid;
};

// Whether text can be written into a UTF-16 file: it must be UTF-8.
bool EncodableAsUtf16(std::string_view text) {
  numira::TextEncoder encoder(numira::TextEncoding::Utf16LittleEndian, [](std::string_view) { return true; });
  return encoder.Write(text) && encoder.Finish();
}

// The keys set in one pass, checked against setting them one after another.
// A write of several keys is whole or nothing: entries that are refused, or
// one that a UTF-16 content cannot hold, leave the content as it was.
std::string SetAtOnce(const std::string& content, const std::vector<numira::ProfileEntry>& entries) {
  const std::string at_once = numira::SetProfileValues(content, entries);
  bool refused = !numira::AreStorableProfileEntries(entries);
  for (const numira::ProfileEntry& e : entries) {
    refused = refused || (IsUtf16(content) && (!EncodableAsUtf16(e.section) || !EncodableAsUtf16(e.key) ||
                                               !EncodableAsUtf16(e.value)));
  }
  if (refused) {
    Check(at_once == content, "entries that are refused changed the content");
    return at_once;
  }
  std::string one_by_one = content;
  for (const numira::ProfileEntry& e : entries) one_by_one = numira::SetProfileValue(one_by_one, e.section, e.key, e.value);
  Check(at_once == one_by_one, "keys set in one pass differ from the same keys set one after another");
  return at_once;
}

// The four settings as SaveSettings writes them, on the content in memory.
std::string SaveInMemory(const std::string& content, const SavedValues& v) {
  const std::string top = numira::FormatIntegerText(v.top), left = numira::FormatIntegerText(v.left);
  return SetAtOnce(content, {{"mainform", "top", top},
                             {"mainform", "left", left},
                             {"formmein", "stay", v.stay ? "1" : "0"},
                             {"formmein", "waid", v.waid ? "1" : "0"}});
}

std::int32_t IntegerIn(std::string_view content, const char* section, const char* key) {
  // The settings' own reading of "0x", so the in-memory check reads as a load.
  std::string text = numira::FindProfileValue(content, section, key);
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.replace(0, 2, "$");
  return numira::ParseIntegerTextOr(text, -1);
}

// A scratch folder on /dev/shm (writes flush to the disk: memory is faster),
// made once per run and removed at exit. The name is never freed, so the exit
// handler cannot outlive it.
const std::string& ScratchFolder() {
  static const std::string* const folder = [] {
    std::string pattern = (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/numira-fuzz-XXXXXX");
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    auto* name = new std::string(pattern);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ScratchFolder(), ignored);
    });
    return name;
  }();
  return *folder;
}

std::string FileBytesAt(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void CheckOnRealFiles(const std::string& content, const Entry& raw, const Entry& e, const std::string& expected,
                      const SavedValues& saved) {
  const std::string path = ScratchFolder() + "/kelto.ini";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    Check(static_cast<bool>(out), "cannot write the scratch file");
  }
  PlainWindow window(123, 45);
  bool stay = true, waid = false;
  numira::LoadSettings(path, window, {stay, waid}, kMonitors);

  if (!numira::IsStorableProfileEntry(raw.section, raw.key, raw.value)) {
    Check(!numira::WriteProfileString(path, raw.section, raw.key, raw.value), "a refused entry was written");
    Check(FileBytesAt(path) == content, "a refused write changed the file");
  }
  if (IsUtf16(content) &&
      (!EncodableAsUtf16(e.section) || !EncodableAsUtf16(e.key) || !EncodableAsUtf16(e.value))) {
    // Names or a value that UTF-16 cannot hold: refused.
    Check(numira::SetProfileValue(content, e.section, e.key, e.value) == content,
          "an unencodable write changed the text in memory");
    Check(!numira::WriteProfileString(path, e.section, e.key, e.value), "an unencodable write was made");
    Check(FileBytesAt(path) == content, "an unencodable write changed the file");
    return;
  }
  Check(numira::WriteProfileString(path, e.section, e.key, e.value), "a storable entry was not written");
  const std::string written = FileBytesAt(path);
  Check(written == numira::SetProfileValue(content, e.section, e.key, e.value),
        "the file differs from the same write in memory");
  Check(numira::ReadProfileString(path, e.section, e.key) == expected, "the written file does not read back");

  PlainWindow at(saved.left, saved.top);
  bool on_top = saved.stay, standard = saved.waid;
  numira::SaveSettings(path, at, {on_top, standard});
  PlainWindow loaded(0, 0);
  bool stay_read = !saved.stay, waid_read = !saved.waid;
  numira::LoadSettings(path, loaded, {stay_read, waid_read}, kMonitors);
  Check(loaded.Left() == saved.left && loaded.Top() == saved.top && stay_read == saved.stay &&
            waid_read == saved.waid,
        "saved settings do not load back from the file");

  std::error_code ignored;
  std::size_t names = 0;
  for (auto it = std::filesystem::directory_iterator(ScratchFolder(), ignored);
       it != std::filesystem::directory_iterator(); ++it) {
    ++names;
  }
  Check(names == 1, "a temporary file was left in the folder");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t first_end = input.find('\n');
  const std::string_view entry_line = input.substr(0, first_end);
  const std::string content(first_end == std::string_view::npos ? std::string_view() : input.substr(first_end + 1));

  Entry raw;
  const std::size_t bar1 = entry_line.find('|');
  const std::size_t bar2 = bar1 == std::string_view::npos ? bar1 : entry_line.find('|', bar1 + 1);
  raw.section = std::string(entry_line.substr(0, bar1));
  if (bar1 != std::string_view::npos) raw.key = std::string(entry_line.substr(bar1 + 1, bar2 - bar1 - 1));
  if (bar2 != std::string_view::npos) raw.value = std::string(entry_line.substr(bar2 + 1));

  // Reading: any names, any content.
  Check(numira::FindProfileValue(content, raw.section, raw.key).size() <= numira::kProfileValueLimit,
        "a read returned more than the limit");
  for (const char* key : {"top", "left"}) IntegerIn(content, "mainform", key);
  for (const char* key : {"stay", "waid"}) IntegerIn(content, "formmein", key);

  // Writing one key.
  const Entry e = Storable(raw);
  Check(numira::IsStorableProfileEntry(e.section, e.key, e.value), "a cleaned entry is refused");
  const std::string expected = ValueAsRead(e.value);
  const std::string written = numira::SetProfileValue(content, e.section, e.key, e.value);
  // A UTF-16 content with a value it cannot hold is left as it was; any
  // other is written back in UTF-16, a stray last byte kept last.
  const bool kept_as_is = IsUtf16(content) && written == content;
  if (!kept_as_is) {
    Check(numira::FindProfileValue(written, e.section, e.key) == expected, "the written key does not read back");
  }
  if (!IsUtf16(content)) CheckOnlyTheKeyChanged(content, written, e);
  if (IsUtf16(content) && content.size() % 2 != 0) {
    Check(written.size() % 2 != 0 && written.back() == content.back(), "the stray last byte of UTF-16 moved");
  }

  // Several keys at once: the key above beside keys of its own section and of
  // the settings' sections, duplicates (refused whole) included.
  SetAtOnce(content, {{e.section, e.key, e.value}, {e.section, "top", "1"}, {"formmein", e.key, "v"}, {"mainform", "top", "2"}});

  // Saving the four settings over whatever the file holds.
  std::uint32_t seed = 2166136261u;  // FNV-1a of the input: a fixed choice per input
  for (const char c : input) seed = (seed ^ static_cast<unsigned char>(c)) * 16777619u;
  // A position that the one monitor of the load keeps (window 450 x 250).
  const SavedValues saved{static_cast<std::int32_t>(seed % 800), static_cast<std::int32_t>(seed % 1400),
                          (seed & 1) != 0, (seed & 2) != 0};
  const std::string after_save = SaveInMemory(written, saved);
  Check(IntegerIn(after_save, "mainform", "top") == saved.top &&
            IntegerIn(after_save, "mainform", "left") == saved.left &&
            (IntegerIn(after_save, "formmein", "stay") != 0) == saved.stay &&
            (IntegerIn(after_save, "formmein", "waid") != 0) == saved.waid,
        "saved settings do not read back");

  if ((seed >> 8) % 16 == 0) CheckOnRealFiles(content, raw, e, expected, saved);
  return 0;
}
