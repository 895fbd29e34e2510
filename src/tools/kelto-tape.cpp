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
#include "core/numtext.h"
#include "core/tape.h"
#include "tools/standard_streams.h"

namespace {

constexpr const char* kUsage =
    "usage: kelto-tape [--separators DT] [KEYS]\n"
    "\n"
    "Types KEYS (or, without KEYS, all of standard input) into the calculator\n"
    "and prints tab-separated lines: one 'history' line per history line, one\n"
    "'error' line per error-box text, then 'display' and 'title'.\n"
    "\n"
    "KEYS: 0-9 . + - * / = p P (sign change) z Z (000), and the named keys\n"
    "      {BS} (Backspace), {HOME} (Home: clear), {ENTER} (Enter: equals).\n"
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

// One key of the input: a typed character or a named key.
using Key = std::variant<char32_t, numira::NamedKey>;

bool IsBlank(char32_t ch) {
  return ch == U' ' || ch == U'\t' || ch == U'\n' || ch == U'\r' || ch == U'\v' || ch == U'\f';
}

// Decodes one UTF-8 character at `pos`; a malformed byte stands for itself, so
// it is simply one more character that types nothing.
char32_t NextCharacter(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  int length = 0;
  if (lead < 0x80) {
    length = 1;
  } else if (lead >= 0xC2 && lead < 0xE0) {
    length = 2;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    length = 3;
  } else if (lead >= 0xF0 && lead < 0xF5) {
    length = 4;
  }
  if (length == 0 || pos + static_cast<std::size_t>(length) > text.size()) {
    ++pos;
    return lead;
  }
  char32_t ch = length == 1 ? lead : lead & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + static_cast<std::size_t>(i)]);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return lead;
    }
    ch = (ch << 6) | (next & 0x3F);
  }
  pos += static_cast<std::size_t>(length);
  return ch;
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

// Reads the whole key string before anything is typed, so that a usage error
// is reported before any output.
std::vector<Key> ParseKeys(std::string_view text) {
  std::vector<Key> keys;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == '{') {
      const std::size_t close = text.find('}', pos + 1);
      if (close == std::string_view::npos) {
        throw UsageError("unclosed '{' in KEYS: '" + std::string(text.substr(pos)) + "'");
      }
      const std::string_view name = text.substr(pos + 1, close - pos - 1);
      const std::optional<numira::NamedKey> key = NamedKeyFor(name);
      if (!key) {
        throw UsageError("unknown key {" + std::string(name) + "} (known: {BS} {HOME} {ENTER})");
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
  std::optional<numira::SeparatorPair> separators;
  std::optional<std::string> keys;
};

Options ParseArguments(int argc, char** argv) {
  Options options;
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool looks_like_option = arg.size() > 2 && arg.starts_with("--") &&
                                   ((arg[2] >= 'a' && arg[2] <= 'z') || (arg[2] >= 'A' && arg[2] <= 'Z'));
    if (!options_ended && arg == "--") {
      options_ended = true;
    } else if (!options_ended && arg == "--separators") {
      if (i + 1 >= argc) throw UsageError("--separators needs two characters DT, for example '.,'");
      const std::string_view pair = argv[++i];
      if (pair.size() != 2) {
        throw UsageError("--separators takes exactly two one-byte characters DT, not '" +
                         std::string(pair) + "'");
      }
      if (pair[0] == pair[1]) {
        throw UsageError("--separators: the decimal and the thousands separator must differ");
      }
      options.separators = numira::SeparatorPair{pair[0], pair[1]};
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
  const Options options = ParseArguments(argc, argv);
  std::string input;
  if (options.keys) {
    input = *options.keys;
  } else {
    input.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  }
  const std::vector<Key> keys = ParseKeys(input);

  if (options.separators) {
    numira::SetSeparators(options.separators->decimal, options.separators->thousands);
  } else {
    numira::LoadSeparators();
  }

  // Start as the program does: title "電卓", then the first show clears the
  // engine (which leaves the title alone).
  numira::TextSurroundings surroundings;
  numira::Calculator engine(surroundings);
  numira::Tape tape(engine, surroundings);
  engine.clia();

  std::vector<std::string> errors;
  for (const Key& key : keys) {
    // An error no handler catches ends that one action and is shown in the
    // error box; the program goes on with the next key, nothing rolled back.
    try {
      if (const auto* ch = std::get_if<char32_t>(&key)) {
        tape.TypeCharacter(*ch);
      } else {
        tape.PressKey(std::get<numira::NamedKey>(key));
      }
    } catch (const std::exception& e) {
      errors.push_back(numira::ErrorBoxText(e.what()));
    }
  }

  std::string out;
  for (const std::string_view line : tape.Lines()) {
    out += "history\t";
    out += line;
    out += '\n';
  }
  for (const std::string& text : errors) out += "error\t" + text + "\n";
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
