// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// kelto-tape: drives the calculator engine and the tape without a window.
// Reads a key string, types it as the window would, and prints the history,
// the error-box texts, the display and the application title.

#include <cstdlib>
#include <exception>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "core/calc.h"
#include "core/error_box_text.h"
#include "core/separators.h"
#include "core/tape.h"
#include "core/text_surroundings.h"
#include "core/utf8_text.h"
#include "tools/standard_streams.h"

namespace {

constexpr const char* kUsage =
    "usage: kelto-tape [--separators DT] [KEYS]\n"
    "\n"
    "Types KEYS (or, without KEYS, all of standard input) into the calculator\n"
    "and prints tab-separated lines: one 'history' line per history line, one\n"
    "'error' line per error-box text and one 'refused' line per paste that is\n"
    "no number (its text, control characters as \\xHH), then 'display' and\n"
    "'title'.\n"
    "\n"
    "KEYS: 0-9 . + - * / = p P (sign change) z Z (000), and the named keys\n"
    "      {BS} (Backspace), {HOME} (Home: clear), {ENTER} (Enter: equals),\n"
    "      {PASTE:text} (Ctrl+V with text on the clipboard; the text runs,\n"
    "      blanks and all, to the next '}', and '}}' stands for a '}' of it).\n"
    "      Whitespace is ignored; any other character types nothing.\n"
    "--separators DT  decimal separator D and thousands separator T, one byte\n"
    "                 each (for example '.,' or ', '); default: the user's locale.\n"
    "--               ends the options (for KEYS that begin with \"--\").\n"
    "\n"
    "Example: kelto-tape '12+3=*2='\n";

class UsageError : public std::exception {
 public:
  explicit UsageError(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// A paste of `text`, as Ctrl+V in the window with `text` on the clipboard.
struct PasteKey {
  std::string text;
};

// One key of the input: a typed character, a named key or a paste.
using Key = std::variant<char32_t, numira::NamedKey, PasteKey>;

bool IsBlank(char32_t ch) {
  return ch == U' ' || ch == U'\t' || ch == U'\n' || ch == U'\r' || ch == U'\v' || ch == U'\f';
}

// Decodes one UTF-8 character at `pos`; a malformed byte stands for itself, so
// it is simply one more character that types nothing.
char32_t NextCharacter(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  return numira::DecodeUtf8Character(text, pos).value_or(lead);
}

std::optional<numira::NamedKey> NamedKeyFor(std::string_view name) {
  std::string upper(name);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (upper == "BS") return numira::NamedKey::Backspace;
  if (upper == "HOME") return numira::NamedKey::Home;
  if (upper == "ENTER") return numira::NamedKey::Enter;
  return std::nullopt;
}

constexpr std::string_view kPastePrefix = "{PASTE:";

bool IsPasteKeyAt(std::string_view text, std::size_t pos) {
  if (text.size() - pos < kPastePrefix.size()) return false;
  for (std::size_t i = 0; i < kPastePrefix.size(); ++i) {
    char c = text[pos + i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != kPastePrefix[i]) return false;
  }
  return true;
}

// "{PASTE:text}" at `pos`: the text runs, blanks and all, to the first single
// "}"; "}}" stands for one "}" of the text.
PasteKey ReadPasteKey(std::string_view text, std::size_t& pos) {
  PasteKey key;
  for (std::size_t i = pos + kPastePrefix.size(); i < text.size(); ++i) {
    if (text[i] != '}') {
      key.text += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == '}') {
      key.text += '}';
      ++i;
    } else {
      pos = i + 1;
      return key;
    }
  }
  throw UsageError("unclosed '{PASTE:' in KEYS (a '}' of the text is written '}}')");
}

// A pasted text on one output line: control characters as \xHH.
std::string OneLine(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string line;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      line += "\\x";
      line += kHex[byte >> 4];
      line += kHex[byte & 0xF];
    } else {
      line += c;
    }
  }
  return line;
}

// Reads the whole key string before anything is typed, so that a usage error
// is reported before any output.
std::vector<Key> ParseKeys(std::string_view text) {
  std::vector<Key> keys;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == '{' && IsPasteKeyAt(text, pos)) {
      keys.emplace_back(ReadPasteKey(text, pos));
      continue;
    }
    if (text[pos] == '{') {
      const std::size_t close = text.find('}', pos + 1);
      if (close == std::string_view::npos) {
        throw UsageError("unclosed '{' in KEYS: '" + std::string(text.substr(pos)) + "'");
      }
      const std::string_view name = text.substr(pos + 1, close - pos - 1);
      const std::optional<numira::NamedKey> key = NamedKeyFor(name);
      if (!key) {
        throw UsageError("unknown key {" + std::string(name) + "} (known: {BS} {HOME} {ENTER} {PASTE:text})");
      }
      keys.emplace_back(*key);
      pos = close + 1;
      continue;
    }
    const char32_t ch = NextCharacter(text, pos);
    if (!IsBlank(ch)) keys.emplace_back(ch);
  }
  return keys;
}

struct Options {
  std::optional<numira::Separators> separators;
  std::optional<std::string> keys;
};

Options ParseArguments(const std::vector<std::string>& args) {
  Options options;
  bool options_ended = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const bool looks_like_option = arg.size() > 2 && arg.starts_with("--") &&
                                   ((arg[2] >= 'a' && arg[2] <= 'z') || (arg[2] >= 'A' && arg[2] <= 'Z'));
    if (!options_ended && arg == "--") {
      options_ended = true;
    } else if (!options_ended && arg == "--separators") {
      if (i + 1 >= args.size()) throw UsageError("--separators needs two characters DT, for example '.,'");
      const std::string_view pair = args[++i];
      if (pair.size() != 2) {
        throw UsageError("--separators takes exactly two one-byte characters DT, not '" +
                         std::string(pair) + "'");
      }
      if (pair[0] == pair[1]) {
        throw UsageError("--separators: the decimal and the thousands separator must differ");
      }
      options.separators = numira::Separators{pair[0], pair[1]};
    } else if (!options_ended && (arg == "--help" || arg == "-h")) {
      std::cout << kUsage;
      std::exit(0);
    } else if (!options_ended && looks_like_option) {
      throw UsageError("unknown option '" + std::string(arg) + "'");
    } else if (options.keys) {
      throw UsageError("more than one KEYS argument");
    } else {
      options.keys = std::string(arg);
    }
  }
  return options;
}

int Run(int argc, char** argv) {
  const Options options = ParseArguments(numira::CommandLineArguments(argc, argv));
  std::string input;
  if (options.keys) {
    input = *options.keys;
  } else {
    input.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  }
  const std::vector<Key> keys = ParseKeys(input);

  const numira::Separators separators = options.separators ? *options.separators : numira::LoadSeparators();

  // Start as the program does: title "電卓", then the first show clears the
  // engine (which leaves the title alone).
  numira::TextSurroundings surroundings;
  numira::Calculator engine(surroundings, separators);
  numira::Tape tape(engine, surroundings);
  engine.clia();

  // What the user is told besides the display: error boxes and the warning
  // sound of a refused paste, as output lines in the order they came.
  std::vector<std::string> notices;
  for (const Key& key : keys) {
    // An error no handler catches ends that one action and is shown in the
    // error box; the program goes on with the next key, nothing rolled back.
    try {
      if (const auto* ch = std::get_if<char32_t>(&key)) {
        tape.TypeCharacter(*ch);
      } else if (const auto* paste = std::get_if<PasteKey>(&key)) {
        if (!tape.Paste(paste->text)) notices.push_back("refused\t" + OneLine(paste->text) + "\n");
      } else {
        tape.PressKey(std::get<numira::NamedKey>(key));
      }
    } catch (const std::exception& e) {
      notices.push_back("error\t" + numira::ErrorBoxText(e.what()) + "\n");
    }
  }

  std::string out;
  for (const std::string_view line : tape.Lines()) {
    out += "history\t";
    out += line;
    out += '\n';
  }
  for (const std::string& notice : notices) out += notice;
  out += "display\t" + surroundings.display + "\n";
  out += "title\t" + surroundings.title + "\n";
  std::cout << out << std::flush;
  return std::cout ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  numira::UseByteExactStandardStreams();
  try {
    return Run(argc, argv);
  } catch (const UsageError& e) {
    std::cerr << "kelto-tape: " << e.what() << "\n"
              << "usage: kelto-tape [--separators DT] [KEYS]  (--help for more)\n";
    return 2;
  }
}
