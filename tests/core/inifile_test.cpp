// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Settings: where the file lives, how its values read, load and save on a
// window stand-in, and the rule that pulls a window back onto the monitors.

#include "core/inifile_.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifndef _WIN32
#include <signal.h>
#endif

#include <climits>
#include <cstdint>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "core/file_access.h"
#include "file_test_support.h"

namespace numira {
namespace {

using test_support::FakeWindow;
using test_support::kOneFullHd;
using test_support::ReadBytes;
#ifndef _WIN32
using test_support::ChildOptions;
using test_support::RunInChild;
#endif
using test_support::SaveReportingError;
using test_support::ScratchFolder;
using test_support::WithNewFileLineEnds;
using test_support::WriteBytes;


// --- The file's path ---------------------------------------------------------

TEST(SettingsPath, ReplacesTheExtensionOrAppendsOne) {
  const struct {
    const char* executable;
    const char* settings;
  } cases[] = {
      {"/opt/numira/kelto", "/opt/numira/kelto.ini"},
      {"/opt/numira/kelto.bin", "/opt/numira/kelto.ini"},
      {"/opt/numira/kelto.tar.gz", "/opt/numira/kelto.tar.ini"},
      {"/home/u/my.tools/kelto", "/home/u/my.tools/kelto.ini"},  // a "." in a folder name is no extension
      {"/home/u/kelto.", "/home/u/kelto.ini"},
      {"C:\\Tools\\kelto.exe", "C:\\Tools\\kelto.ini"},
      {"C:\\my.tools\\kelto", "C:\\my.tools\\kelto.ini"},
      {"C:kelto", "C:kelto.ini"},
      {"kelto", "kelto.ini"},
      {"", ".ini"},
  };
  for (const auto& c : cases) EXPECT_EQ(SettingsPathFor(c.executable), c.settings) << c.executable;
}

// /proc and modes, links and child processes are POSIX's; tests/windows has
// the Win32 counterparts of these cases.
#ifndef _WIN32
TEST(SettingsPath, LiesBesideTheRunningExecutable) {
  const std::string executable = ExecutablePath();
  struct stat by_path, by_kernel;
  ASSERT_EQ(::stat(executable.c_str(), &by_path), 0) << executable;
  // Opened, not stat'ed: qemu-user (running a cross-built test) answers an
  // open of /proc/self/exe with the program it runs, a stat with itself.
  const int running = ::open("/proc/self/exe", O_RDONLY);
  ASSERT_GE(running, 0);
  ASSERT_EQ(::fstat(running, &by_kernel), 0);
  ::close(running);
  EXPECT_EQ(by_path.st_ino, by_kernel.st_ino);
  EXPECT_EQ(by_path.st_dev, by_kernel.st_dev);
  EXPECT_EQ(SettingsFilePath(), executable + ".ini");  // this test program has no extension
}
#endif

// --- Reading values ----------------------------------------------------------

TEST(IniFileRead, IntegerTexts) {
  constexpr std::int32_t kFallback = 7;
  const struct {
    const char* text;
    std::int32_t expected;
  } cases[] = {
      {"153", 153},       {"-20", -20},      {"0x20", 32},     {"0X1f", 31},      {"$10", 16},
      {"0x0", 0},         {" 42 ", 42},      {"\"15\"", 15},   {"-2147483648", INT32_MIN},
      {"0x", kFallback},  {"-0x10", kFallback}, {"12px", kFallback}, {"2147483648", kFallback},
      {"", kFallback},    {"abc", kFallback},
  };
  ScratchFolder folder;
  const std::string path = folder / "kelto.ini";
  TIniFile ini(path);
  for (const auto& c : cases) {
    WriteBytes(path, std::string("[mainform]\ntop=") + c.text + "\n");
    EXPECT_EQ(ini.ReadInteger("mainform", "top", kFallback), c.expected) << '"' << c.text << '"';
  }
  EXPECT_EQ(ini.ReadInteger("mainform", "left", kFallback), kFallback);  // missing key
  EXPECT_EQ(TIniFile(folder / "none.ini").ReadInteger("mainform", "top", kFallback), kFallback);
}

TEST(IniFileRead, BooleanTexts) {
  const struct {
    const char* text;
    bool with_false_default;
    bool with_true_default;
  } cases[] = {
      {"1", true, true},    {"2", true, true},     {"-1", true, true},   {"0", false, false},
      {"0x0", false, false}, {"yes", false, true}, {"abc", false, true}, {"", false, true},
  };
  ScratchFolder folder;
  const std::string path = folder / "kelto.ini";
  TIniFile ini(path);
  for (const auto& c : cases) {
    WriteBytes(path, std::string("[formmein]\nstay=") + c.text + "\n");
    EXPECT_EQ(ini.ReadBool("formmein", "stay", false), c.with_false_default) << '"' << c.text << '"';
    EXPECT_EQ(ini.ReadBool("formmein", "stay", true), c.with_true_default) << '"' << c.text << '"';
  }
}

// --- Load and save -----------------------------------------------------------

TEST(SettingsLoad, NoFileGivesTheDefaultsAndWritesNothing) {
  ScratchFolder folder;
  const std::string path = folder / "kelto.ini";
  FakeWindow window(400, 300);
  bool stay = true, waid = false;
  LoadSettings(path, window, {stay, waid}, kOneFullHd);
  EXPECT_EQ(window.Left(), 0);
  EXPECT_EQ(window.Top(), 0);
  EXPECT_FALSE(stay);
  EXPECT_TRUE(waid);
  EXPECT_TRUE(folder.Names().empty());
}

TEST(SettingsLoad, ReadsStoredValuesAndPullsThePositionBack) {
  ScratchFolder folder;
  const std::string path = folder / "kelto.ini";
  WriteBytes(path, "[formmein]\r\nwaid=0\r\nstay=1\r\n[mainform]\r\nleft=3900\r\ntop=0x20\r\n");
  FakeWindow window(0, 0);
  bool stay = false, waid = true;
  LoadSettings(path, window, {stay, waid}, {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}});
  EXPECT_EQ(window.Left(), 50);
  EXPECT_EQ(window.Top(), 32);
  EXPECT_TRUE(stay);
  EXPECT_FALSE(waid);
}

#ifndef _WIN32
TEST(SettingsLoad, UnreadableFileGivesTheDefaultsAndStaysAsItWas) {
  ScratchFolder folder;
  const std::string path = folder / "kelto.ini";
  const std::string bytes = "[mainform]\ntop=153\nleft=325\n[formmein]\nstay=1\nwaid=0\n";
  test_support::OpenToEveryone(folder.path());
  WriteBytes(path, bytes);
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  test_support::ChildResult result = RunInChild({true, std::nullopt}, [&](std::string& report) {
    FakeWindow window(400, 300);
    bool stay = true, waid = false;
    LoadSettings(path, window, {stay, waid}, kOneFullHd);
    report = std::to_string(window.Left()) + "," + std::to_string(window.Top()) + "," + (stay ? "1" : "0") +
             "," + (waid ? "1" : "0");
    return 0;
  });
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output, "0,0,0,1");
  ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
  EXPECT_EQ(ReadBytes(path), bytes);
}
#endif

TEST(SettingsSave, FirstSaveWritesTheSixLinesAndLoadsBack) {
  ScratchFolder folder;
  const std::string path = folder / "kelto.ini";
  FakeWindow window(325, 153);
  bool stay = false, waid = true;
  SaveSettings(path, window, {stay, waid});
  EXPECT_EQ(ReadBytes(path), WithNewFileLineEnds("[mainform]\ntop=153\nleft=325\n[formmein]\nstay=0\nwaid=1\n"));

  FakeWindow moved(-700, 20);
  bool on_top = true, standard = false;
  SaveSettings(path, moved, {on_top, standard});
  EXPECT_EQ(ReadBytes(path), WithNewFileLineEnds("[mainform]\ntop=20\nleft=-700\n[formmein]\nstay=1\nwaid=0\n"));
  // An existing file keeps its own line ends, whatever the platform's.
  WriteBytes(path, "[mainform]\ntop=1\n");
  SaveSettings(path, moved, {on_top, standard});
  EXPECT_EQ(ReadBytes(path), "[mainform]\ntop=20\nleft=-700\n[formmein]\nstay=1\nwaid=0\n");

  FakeWindow restored(0, 0);
  bool stay_read = false, waid_read = true;
  LoadSettings(path, restored, {stay_read, waid_read}, {{-1920, 0, 0, 1080}, {0, 0, 1920, 1080}});
  EXPECT_EQ(restored.Left(), -700);
  EXPECT_EQ(restored.Top(), 20);
  EXPECT_TRUE(stay_read);
  EXPECT_FALSE(waid_read);
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"kelto.ini"});
}

// A file an editor saved as "Unicode" (UTF-16 with its byte order mark), to
// which a command prompt appended a line of ANSI text ("echo x=1 >>"): five
// bytes, so the file ends in half a code unit. The appended bytes and that
// stray last byte stay where they are; the keys go in as UTF-16.
TEST(SettingsSave, Utf16FileOfAnOddByteCountIsSavedKeepingItsStrayBytes) {
  const auto utf16 = [](std::string_view ascii) {
    std::string out;
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
  };
  ScratchFolder folder;
  const std::string path = folder / "kelto.ini";
  const std::string head = "\xFF\xFE" + utf16("; mine\r\n[MainForm]\r\ntop=1\r\n");
  WriteBytes(path, head + "x=1\r\n");
  FakeWindow window(0, 0);
  bool stay = false, waid = true;
  LoadSettings(path, window, {stay, waid}, kOneFullHd);
  EXPECT_EQ(window.Top(), 1);

  // "x=" and "1\r" read as two code units of a last line without a line end.
  const std::string saved = head.substr(0, head.size() - 6) + utf16("153\r\nleft=325\r\n") + "x=1\r" +
                            utf16("\r\n[formmein]\r\nstay=1\r\nwaid=0\r\n") + "\n";
  for (int save = 0; save < 2; ++save) {
    EXPECT_EQ(SaveReportingError(path, FakeWindow(325, 153), true, false), "") << "save " << save;
    EXPECT_EQ(ReadBytes(path), saved) << "save " << save;
  }
  FakeWindow loaded(0, 0);
  bool stay_read = false, waid_read = true;
  LoadSettings(path, loaded, {stay_read, waid_read}, kOneFullHd);
  EXPECT_EQ(loaded.Left(), 325);
  EXPECT_EQ(loaded.Top(), 153);
  EXPECT_TRUE(stay_read);
  EXPECT_FALSE(waid_read);
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"kelto.ini"});
}

#ifndef _WIN32
// A save into a place that cannot be written raises the error with the full
// path, and the file (or its absence) stays as it was.
TEST(SettingsSave, UnwritableFileRaisesWithThePathAndWritesNothing) {
  const std::string old_bytes = "[mainform]\ntop=1\nleft=2\n[formmein]\nstay=1\nwaid=0\n";
  const struct {
    const char* what;
    bool make_directory;  // a directory at the file's path, else a read-only folder
  } cases[] = {{"directory at the path", true}, {"read-only file in a read-only folder", false}};
  for (const auto& c : cases) {
    ScratchFolder folder;
    const std::string path = folder / "kelto.ini";
    if (c.make_directory) {
      ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
    } else {
      // A file there that may be written would be rewritten in place.
      WriteBytes(path, old_bytes);
      ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
      ASSERT_EQ(::chmod(folder.path().c_str(), 0555), 0);
    }
    // The read-only folder as "nobody", since root may write anywhere.
    test_support::ChildResult result = RunInChild({!c.make_directory, std::nullopt}, [&](std::string& report) {
      report = SaveReportingError(path);
      return report.empty() ? 1 : 0;
    });
    EXPECT_EQ(result.exit_code, 0) << c.what << ": the save must raise";
    EXPECT_EQ(result.output, path + " に書き込めません") << c.what;
    EXPECT_EQ(ReadBytes(path), c.make_directory ? std::nullopt : std::optional<std::string>(old_bytes)) << c.what;
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"kelto.ini"}) << c.what;
  }
}

// A save that cannot be finished (here a size limit that holds the first
// keys but not all of them, as a disk that fills up) writes none of them.
TEST(SettingsSave, AFailedSaveWritesNoKey) {
  const std::string old_bytes = "[mainform]\ntop=1\nleft=2\n";
  for (const bool existed : {false, true}) {
    ScratchFolder folder;
    const std::string path = folder / "kelto.ini";
    if (existed) WriteBytes(path, old_bytes);
    test_support::ChildResult result = RunInChild({false, 40}, [&](std::string& report) {
      report = SaveReportingError(path);
      return report.empty() ? 1 : 0;
    });
    EXPECT_EQ(result.exit_code, 0) << existed;
    EXPECT_EQ(result.output, path + " に書き込めません") << existed;
    EXPECT_EQ(ReadBytes(path), existed ? std::optional<std::string>(old_bytes) : std::nullopt) << existed;
    EXPECT_EQ(folder.Names(), existed ? std::vector<std::string>{"kelto.ini"} : std::vector<std::string>{}) << existed;
  }
}

// A copy of the program killed at any moment of its close: the file holds
// the four values of one save, all old or all new, never the new top beside
// the old left. The saver alternates between two sets of values as fast as
// it can; each round kills it after a random pause.
TEST(SettingsSave, AKilledSaveLeavesTheValuesOfOneSave) {
  ScratchFolder folder;
  const std::string path = folder / "kelto.ini";
  ASSERT_EQ(SaveReportingError(path), "");
  const std::regex one_save("\\[mainform\\]\ntop=(153\nleft=325\n\\[formmein\\]\nstay=0\nwaid=1|"
                            "-20\nleft=-40\n\\[formmein\\]\nstay=1\nwaid=0)\n");
  std::mt19937 random(25u);
  for (int round = 0; round < 40; ++round) {
    int started[2];
    ASSERT_EQ(::pipe(started), 0);
    const pid_t saver = test_support::StartChild([&] {
      FakeWindow a(325, 153), b(-40, -20);
      bool stay_a = false, waid_a = true, stay_b = true, waid_b = false;
      if (::write(started[1], "s", 1) != 1) return 1;
      for (;;) {
        SaveSettings(path, a, {stay_a, waid_a});
        SaveSettings(path, b, {stay_b, waid_b});
      }
    });
    ::close(started[1]);
    char signal;
    ASSERT_EQ(::read(started[0], &signal, 1), 1);
    ::close(started[0]);
    ::usleep(static_cast<useconds_t>(random() % 3000));
    ::kill(saver, SIGKILL);
    EXPECT_EQ(test_support::WaitForChild(saver), -1);
    const std::string bytes = ReadBytes(path).value_or("");
    EXPECT_TRUE(std::regex_match(bytes, one_save)) << "round " << round << ":\n" << bytes;
  }
  // The next save clears what the killed ones left.
  ASSERT_EQ(SaveReportingError(path), "");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"kelto.ini"});
}

// Two copies of the program closing at the same moment, again and again.
TEST(SettingsSave, TwoProcessesSavingTogetherKeepAWellFormedFile) {
  ScratchFolder folder;
  const std::string path = folder / "kelto.ini";
  int gate[2];
  ASSERT_EQ(::pipe(gate), 0);
  auto saver = [&](std::int32_t left, std::int32_t top, bool stay, bool waid) {
    return [&, left, top, stay, waid] {
      ::close(gate[1]);
      char ignored;
      if (::read(gate[0], &ignored, 1) != 0) return 3;
      FakeWindow window(left, top);
      bool on_top = stay, standard = waid;
      try {
        for (int i = 0; i < 200; ++i) SaveSettings(path, window, {on_top, standard});
      } catch (const SettingsWriteError&) {
        return 1;
      }
      return 0;
    };
  };
  const pid_t first = test_support::StartChild(saver(111, 222, true, false));
  const pid_t second = test_support::StartChild(saver(-333, 444, false, true));
  ::close(gate[0]);
  ::close(gate[1]);
  EXPECT_EQ(test_support::WaitForChild(first), 0);
  EXPECT_EQ(test_support::WaitForChild(second), 0);

  const std::string bytes = ReadBytes(path).value_or("");
  EXPECT_TRUE(std::regex_match(bytes, std::regex("\\[mainform\\]\ntop=(222|444)\nleft=(111|-333)\n"
                                                 "\\[formmein\\]\nstay=[01]\nwaid=[01]\n")))
      << bytes;
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"kelto.ini"});
}
#endif  // POSIX

// --- Keeping the window on the monitors --------------------------------------

TEST(SettingsMonitors, PullsBackOnlyWhatLiesPastTheMonitors) {
  const std::vector<MonitorRect> side_by_side = {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}};
  const std::vector<MonitorRect> unequal_heights = {{0, 0, 1920, 1080}, {1920, 0, 3840, 1200}};
  const std::vector<MonitorRect> one_on_the_left = {{0, 0, 1920, 1080}, {-1920, 0, 0, 1080}};
  const struct {
    const char* what;
    std::vector<MonitorRect> monitors;
    std::int32_t left, top;                    // window of 450 x 250
    std::int32_t expected_left, expected_top;
  } cases[] = {
      {"inside", side_by_side, 100, 100, 100, 100},
      {"right edge exactly at the total width", side_by_side, 3390, 100, 3390, 100},
      {"one pixel past the total width", side_by_side, 3391, 100, 50, 100},
      {"saved at left 3900", side_by_side, 3900, 300, 50, 300},
      {"past the bottom", side_by_side, 100, 831, 100, 50},
      {"past both", side_by_side, 3900, 1000, 50, 50},
      {"bottom limit is the tallest monitor", unequal_heights, 100, 950, 100, 950},
      {"past the tallest monitor", unequal_heights, 2000, 951, 2000, 50},
      {"negative left on a monitor to the left", one_on_the_left, -1500, 100, -1500, 100},
      {"negative left, partly on the primary", kOneFullHd, -100, 100, -100, 100},
      {"negative top, partly on the primary", kOneFullHd, 100, -100, 100, -100},
      {"left monitor gone", kOneFullHd, -1500, 100, 50, 50},
      {"monitor above gone", kOneFullHd, 100, -600, 50, 50},
      {"near the 32-bit limit", kOneFullHd, INT32_MAX - 100, INT32_MAX - 100, 50, 50},
      {"far to the left and top", kOneFullHd, INT32_MIN, INT32_MIN, 50, 50},
      {"no monitor at all", {}, 5000, -5000, 5000, -5000},
  };
  for (const auto& c : cases) {
    FakeWindow window(c.left, c.top);
    KeepOnMonitors(window, c.monitors);
    EXPECT_EQ(window.Left(), c.expected_left) << c.what;
    EXPECT_EQ(window.Top(), c.expected_top) << c.what;
  }
}

}  // namespace
}  // namespace numira
