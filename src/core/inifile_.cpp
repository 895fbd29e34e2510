// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Settings: the file path, the accessor, load, save and the monitor rule.

#include "core/inifile_.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>

#include "core/file_access.h"
#include "core/integer_text.h"
#include "core/profile.h"

namespace numira {
namespace {

// The four values on their way between the file and the window.
struct StoredSettings {
  std::int32_t top;
  std::int32_t left;
  bool stay;
  bool waid;
};

// Every key of the settings file with its default, in file order: the one
// list that load and save both walk. Exactly one of the two fields is set.
struct SettingKey {
  const char* section;
  const char* key;
  std::int32_t StoredSettings::*integer;
  bool StoredSettings::*boolean;
  std::int32_t fallback;  // 0 / 1 for the booleans
};

constexpr SettingKey kSettingKeys[] = {
    {"mainform", "top", &StoredSettings::top, nullptr, 0},
    {"mainform", "left", &StoredSettings::left, nullptr, 0},
    {"formmein", "stay", nullptr, &StoredSettings::stay, 0},
    {"formmein", "waid", nullptr, &StoredSettings::waid, 1},
};

// Where KeepOnMonitors puts a window it moves.
constexpr std::int32_t kPulledBackPosition = 50;

}  // namespace

SettingsWriteError::SettingsWriteError(const std::string& path)
    : std::runtime_error(path + " に書き込めません"), path_(path) {}

std::string SettingsPathFor(std::string_view executable_path) {
  std::size_t i = executable_path.size();
  while (i > 0) {
    char c = executable_path[i - 1];
    if (c == '.' || c == '/' || c == '\\' || c == ':') break;
    --i;
  }
  if (i > 0 && executable_path[i - 1] == '.') return std::string(executable_path.substr(0, i - 1)) + ".ini";
  return std::string(executable_path) + ".ini";
}

std::string UserConfigSettingsPathFor(std::string_view xdg_config_home, std::string_view home) {
  std::string folder;
  if (!xdg_config_home.empty() && xdg_config_home.front() == '/') {
    folder = xdg_config_home;
  } else if (!home.empty()) {
    folder = std::string(home) + "/.config";
  } else {
    return std::string();
  }
  return folder + "/numira/kelto.ini";
}

std::string UserConfigSettingsPath() {
  const char* xdg_config_home = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  return UserConfigSettingsPathFor(xdg_config_home ? xdg_config_home : "", home ? home : "");
}

std::string SettingsFilePath() {
#if NUMIRA_SETTINGS_IN_USER_CONFIG
  // Installed system-wide, the folder of the executable is not the user's to
  // write: every close would fail to store the settings.
  return UserConfigSettingsPath();
#else
  std::string executable = ExecutablePath();
  if (executable.empty()) return std::string();
  return SettingsPathFor(executable);
#endif
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key) const {
  return ReadProfileString(path_, section, key);
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (!WriteProfileString(path_, section, key, value)) throw SettingsWriteError(path_);
}

void TIniFile::WriteStrings(std::span<const ProfileEntry> entries) {
  if (!WriteProfileStrings(path_, entries)) throw SettingsWriteError(path_);
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key,
                                   std::int32_t fallback) const {
  std::string text = ReadString(section, key);
  // The integer reader knows "$" for hexadecimal; "0x" is turned into it.
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.replace(0, 2, "$");
  return ParseIntegerTextOr(text, fallback);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  WriteString(section, key, FormatIntegerText(value));
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void KeepOnMonitors(SettingsWindow& window, const std::vector<MonitorRect>& monitors) {
  if (monitors.empty()) return;
  // 64-bit sums: a position near the 32-bit limit must not wrap around into
  // looking like a position on the screen.
  std::int64_t total_width = 0;
  std::int64_t greatest_height = 0;
  for (const MonitorRect& m : monitors) {
    total_width += std::int64_t{m.right} - m.left;
    greatest_height = std::max(greatest_height, std::int64_t{m.bottom} - m.top);
  }

  std::int64_t left = window.Left();
  std::int64_t top = window.Top();
  const std::int64_t width = std::max<std::int64_t>(window.OuterWidth(), 1);
  const std::int64_t height = std::max<std::int64_t>(window.OuterHeight(), 1);
  const bool past_right = left + width > total_width;
  const bool past_bottom = top + height > greatest_height;
  if (past_right) {
    left = kPulledBackPosition;
    window.SetLeft(kPulledBackPosition);
  }
  if (past_bottom) {
    top = kPulledBackPosition;
    window.SetTop(kPulledBackPosition);
  }

  // The two tests above never look at a monitor's position, so a window saved
  // on a monitor left of or above the primary one that has since gone would
  // come back where nobody can see it.
  const bool visible = std::any_of(monitors.begin(), monitors.end(), [&](const MonitorRect& m) {
    return left < m.right && m.left < left + width && top < m.bottom && m.top < top + height;
  });
  if (!visible) {
    window.SetLeft(kPulledBackPosition);
    window.SetTop(kPulledBackPosition);
  }
}

void LoadSettings(const std::string& path, SettingsWindow& window, ViewFlags flags,
                  const std::vector<MonitorRect>& monitors) {
  const TIniFile ini(path);
  StoredSettings values{};
  for (const SettingKey& entry : kSettingKeys) {
    if (entry.integer != nullptr) {
      values.*entry.integer = ini.ReadInteger(entry.section, entry.key, entry.fallback);
    } else {
      values.*entry.boolean = ini.ReadBool(entry.section, entry.key, entry.fallback != 0);
    }
  }
  window.SetTop(values.top);
  window.SetLeft(values.left);
  KeepOnMonitors(window, monitors);
  flags.stay = values.stay;
  flags.waid = values.waid;
}

void LoadSettings(SettingsWindow& window, ViewFlags flags, const std::vector<MonitorRect>& monitors) {
  LoadSettings(SettingsFilePath(), window, flags, monitors);
}

void SaveSettings(const std::string& path, const SettingsWindow& window, ViewFlags flags) {
#if NUMIRA_SETTINGS_IN_USER_CONFIG
  // The user's configuration folder need not hold a numira folder yet.
  if (!path.empty() && path == UserConfigSettingsPath()) MakeFolders(path.substr(0, path.rfind('/')));
#endif
  const StoredSettings values{window.Top(), window.Left(), flags.stay, flags.waid};
  // All four keys in one write: a save that stopped between two keys would
  // leave a position of which only the top is new.
  constexpr std::size_t kKeys = std::size(kSettingKeys);
  std::array<std::string, kKeys> texts;
  std::array<ProfileEntry, kKeys> entries;
  for (std::size_t i = 0; i < kKeys; ++i) {
    const SettingKey& key = kSettingKeys[i];
    texts[i] = key.integer != nullptr ? FormatIntegerText(values.*key.integer) : values.*key.boolean ? "1" : "0";
    entries[i] = {key.section, key.key, texts[i]};
  }
  TIniFile(path).WriteStrings(entries);
}

void SaveSettings(const SettingsWindow& window, ViewFlags flags) {
  SaveSettings(SettingsFilePath(), window, flags);
}

}  // namespace numira
