// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Settings: the file next to the executable that keeps the main window's
// position and its two view flags between runs.
//
//   [mainform]      the window's top and left edge, screen pixels
//   top=153
//   left=325
//   [formmein]      always on top ("stay") and standard view ("waid"), 1 or 0
//   stay=0
//   waid=1
//
// LoadSettings runs once while the main window is created, SaveSettings at
// every close request. Both work on the small window interface below, so the
// Qt window, a recorder in a test, or anything else can stand behind them.

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/profile.h"

namespace numira {

// A settings file that could not be written. what() is the message shown to
// the user: "<full path> に書き込めません" ("cannot write to <full path>").
class SettingsWriteError : public std::runtime_error {
 public:
  explicit SettingsWriteError(const std::string& path);
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The settings file path for an executable path: its extension replaced by
// ".ini", or ".ini" appended when it has none. The extension starts at the
// last "." of the file name: the search runs back from the end and stops at
// the first ".", "/", "\" or ":".
//   "/opt/numira/kelto"          -> "/opt/numira/kelto.ini"
//   "/opt/numira/kelto.bin"      -> "/opt/numira/kelto.ini"
//   "/home/u/my.tools/kelto"     -> "/home/u/my.tools/kelto.ini"
//   "C:\\Tools\\kelto.exe"        -> "C:\\Tools\\kelto.ini"
//   ""                            -> ".ini"
std::string SettingsPathFor(std::string_view executable_path);

// The settings file of a system-wide install, where a user can write it:
// numira/kelto.ini in the user's configuration folder, which is
// `xdg_config_home` when that is an absolute path, else `home`/.config.
//   ("/home/u/.cfg", "/home/u") -> "/home/u/.cfg/numira/kelto.ini"
//   ("", "/home/u")             -> "/home/u/.config/numira/kelto.ini"
//   ("cfg", "/home/u")          -> "/home/u/.config/numira/kelto.ini"  (a relative one is ignored)
//   ("", "")                    -> ""  (no home: reads give the defaults, writes fail)
std::string UserConfigSettingsPathFor(std::string_view xdg_config_home, std::string_view home);

// UserConfigSettingsPathFor($XDG_CONFIG_HOME, $HOME), read at every call.
std::string UserConfigSettingsPath();

// Where this build keeps its settings, worked out afresh at every call. The
// portable build (the default): SettingsPathFor(ExecutablePath()), the empty
// text when the platform cannot tell the executable's path (reads then give
// the defaults and every write fails). A build for a system-wide package
// (CMake option NUMIRA_SETTINGS_IN_USER_CONFIG): UserConfigSettingsPath().
std::string SettingsFilePath();

// The settings file accessor: holds only the path; every read or write is one
// whole-file operation of the ini layer (core/profile.h), nothing is cached.
// A write of several keys is one replacement of the file.
class TIniFile {
 public:
  explicit TIniFile(std::string path) : path_(std::move(path)) {}

  // The key's text (blanks and one pair of quotation marks removed, at most
  // 2047 bytes); the empty text for a missing file, section or key. Never fails.
  std::string ReadString(std::string_view section, std::string_view key) const;

  // Sets the key, creating the file, section and key as needed and keeping
  // everything else in the file. Throws SettingsWriteError (file untouched)
  // when the file cannot be written.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);

  // Sets every entry's key as WriteString does, all in one replacement of the
  // file: anyone who reads it sees all of the old values or all of the new
  // ones. Throws SettingsWriteError, with the file untouched, when it cannot
  // be written; no key is written then.
  void WriteStrings(std::span<const ProfileEntry> entries);

  // The key's 32-bit integer, or `fallback` for a text that is not one. A
  // text longer than 2 bytes starting "0x" or "0X" is read as hexadecimal.
  //   "153" -> 153   "-20" -> -20   "0x20" -> 32   "$10" -> 16   "0x0" -> 0
  //   "-0x10", "12px", "2147483648", "" -> fallback
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t fallback) const;

  // Writes the decimal text of `value` ("-42"). Throws as WriteString.
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);

  // The key's integer is not 0; a text that is not an integer gives `fallback`.
  //   "1", "2", "-1" -> true   "0", "0x0" -> false   "yes", "", "abc" -> fallback
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

  // Writes "1" for true, "0" for false. Throws as WriteString.
  void WriteBool(std::string_view section, std::string_view key, bool value);

 private:
  std::string path_;
};

// One monitor's full rectangle in screen pixels (right and bottom exclusive).
struct MonitorRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

// The main window as the settings see it: its outer (frame included) position
// and size in screen pixels. Setting left or top moves the window and leaves
// its size alone; the getters show the new position at once.
class SettingsWindow {
 public:
  virtual ~SettingsWindow() = default;
  virtual std::int32_t Left() const = 0;
  virtual std::int32_t Top() const = 0;
  virtual std::int32_t OuterWidth() const = 0;
  virtual std::int32_t OuterHeight() const = 0;
  virtual void SetLeft(std::int32_t left) = 0;
  virtual void SetTop(std::int32_t top) = 0;
};

// The main window module's two view flags, which LoadSettings sets and
// SaveSettings reads: `stay` = always on top, `waid` = standard view (false
// for the compact view).
struct ViewFlags {
  bool& stay;
  bool& waid;
};

// Pulls a window back onto the monitors. With W the sum of the monitors'
// widths and H the greatest monitor height (positions do not count: the
// monitors are taken as standing side by side from 0, all from the top):
//  1. left + outer width > W  -> left = 50;
//  2. top + outer height > H  -> top = 50 (both tests on the position before
//     either moved it);
//  3. then, if the window's rectangle overlaps no monitor's real rectangle at
//     all, left = 50 and top = 50 (a position saved on a monitor that is gone).
// A window at least partly on a monitor is left where the first two tests put
// it, so a negative left on a monitor left of the primary one stays. An empty
// monitor list moves nothing. Sums are exact (no 32-bit wrap-around).
// Two monitors of 1920 x 1080 side by side, window 450 x 250:
//   left 3390 -> stays     left 3900 -> 50     top 900 -> 50
void KeepOnMonitors(SettingsWindow& window, const std::vector<MonitorRect>& monitors);

// Reads the settings file at `path` into the window and the flags, in this
// order: top, left (then KeepOnMonitors), stay, waid. Missing keys, values
// that are not integers, a missing or unreadable file give the defaults: top
// 0, left 0, stay false, waid true. Never fails; never writes the file.
void LoadSettings(const std::string& path, SettingsWindow& window, ViewFlags flags,
                  const std::vector<MonitorRect>& monitors);
// The same on SettingsFilePath().
void LoadSettings(SettingsWindow& window, ViewFlags flags, const std::vector<MonitorRect>& monitors);

// Writes top, left, stay and waid (in this order, as far as new lines go) in
// one write of the file: a crash, a kill or a second copy of the program
// closing at the same moment leaves either all four old or all four new
// values, never some of each. In a build that keeps the settings in the
// user's configuration folder, a save to UserConfigSettingsPath() first
// creates the folders that path needs (mode 0700); a folder that cannot be
// made fails the write. Throws SettingsWriteError with `path` when the write
// fails; nothing of the save is written then, the file stays as it was.
// After a first save into an empty folder the file is exactly the six lines
// shown at the top of this header, ending in PlatformLineEnd() (LF; CR LF on
// Windows).
void SaveSettings(const std::string& path, const SettingsWindow& window, ViewFlags flags);
// The same on SettingsFilePath().
void SaveSettings(const SettingsWindow& window, ViewFlags flags);

}  // namespace numira
