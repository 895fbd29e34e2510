// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Settings files that fight back: no read permission, empty, tens of
// megabytes of random bytes, links that lead nowhere or in a circle, and an
// executable deep in a folder tree. Whatever is found, a load gives values
// (the defaults where nothing can be read), and a save either writes the keys
// keeping every other byte, or reports the file's path and leaves it alone.

#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/file_access.h"
#include "core/inifile_.h"
#include "core/profile.h"
#include "file_test_support.h"

namespace numira {
namespace {

using test_support::FakeWindow;
using test_support::kOneFullHd;
using test_support::ReadBytes;
#ifndef _WIN32
using test_support::RunInChild;
#endif
using test_support::SaveReportingError;
using test_support::ScratchFolder;
using test_support::WriteBytes;

// Started with this variable set, the test program does not run its tests: it
// saves its settings where it finds them, prints that path and ends. The
// long-path test starts a copy of the program this way.
constexpr const char* kSaveBesideMeVariable = "NUMIRA_TEST_SAVE_SETTINGS_BESIDE_EXECUTABLE";

const std::string kSavedSixLines = "[mainform]\ntop=153\nleft=325\n[formmein]\nstay=0\nwaid=1\n";

// "left,top,stay,waid" after a load into a window at 400, 300 with both flags
// the other way round from their defaults.
std::string LoadedValues(const std::string& path) {
  FakeWindow window(400, 300);
  bool stay = true, waid = false;
  LoadSettings(path, window, {stay, waid}, kOneFullHd);
  return std::to_string(window.Left()) + "," + std::to_string(window.Top()) + "," + (stay ? "1" : "0") + "," +
         (waid ? "1" : "0");
}
const std::string kDefaults = "0,0,0,1";

[[maybe_unused]] const bool kSavesBesideItselfWhenAsked = [] {
  if (std::getenv(kSaveBesideMeVariable) == nullptr) return false;
  const std::string error = [] {
    FakeWindow window(325, 153);
    bool stay = false, waid = true;
    try {
      SaveSettings(window, {stay, waid});
    } catch (const SettingsWriteError& e) {
      return std::string(e.what());
    }
    return std::string();
  }();
  std::fputs(SettingsFilePath().c_str(), stdout);
  std::fflush(stdout);
  std::_Exit(error.empty() ? 0 : 1);
}();

#ifndef _WIN32  // modes, links and fork are POSIX's; tests/windows has the Win32 cases
// The user may read nothing of the file but could write it, and the folder
// lets the program replace it: a save that took the unreadable file for an
// empty one would throw away everything else in it.
TEST(HostileSettings, UnreadableFileGivesDefaultsAndItsSaveFailsLeavingIt) {
  ScratchFolder folder;
  const std::string path = folder / "kelto.ini";
  const std::string old_bytes = "; mine, not the calculator's\n[mainform]\ntop=7\nleft=8\n[other]\nx=1\n";
  test_support::OpenToEveryone(folder.path());
  test_support::GiveToChildUser(folder.path());
  WriteBytes(path, old_bytes);
  test_support::GiveToChildUser(path);
  ASSERT_EQ(::chmod(path.c_str(), 0200), 0);

  test_support::ChildResult result = RunInChild({true, std::nullopt}, [&](std::string& report) {
    report = LoadedValues(path) + "|" + SaveReportingError(path);
    return 0;
  });
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output, kDefaults + "|" + path + " に書き込めません");
  ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
  EXPECT_EQ(ReadBytes(path), old_bytes);
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"kelto.ini"});
}
#endif

TEST(HostileSettings, EmptyFileGivesDefaultsAndSaveFillsIt) {
  ScratchFolder folder;
  const std::string path = folder / "kelto.ini";
  WriteBytes(path, "");
  EXPECT_EQ(LoadedValues(path), kDefaults);
  EXPECT_EQ(ReadBytes(path), "");  // a load never writes
  EXPECT_EQ(SaveReportingError(path), "");
  EXPECT_EQ(ReadBytes(path), test_support::WithNewFileLineEnds(kSavedSixLines));
}

// 50 MB of random bytes (fixed seed): no section of ours in them, lines of
// any length, bytes of every value. The load must give the defaults; the save
// must add the keys at the end and keep every one of those bytes. The file
// and the save's copy of it must both fit in the scratch folder (a small
// tmpfs may not hold 100 MB): the size shrinks to what fits, never below the
// 4 MB that still spans many read pieces.
TEST(HostileSettings, FiftyMegabytesOfRandomBytesGiveDefaultsAndAreKeptBySave) {
  ScratchFolder folder;
  std::error_code ignored;
  const std::uintmax_t free_bytes = std::filesystem::space(folder.path(), ignored).available;
  const std::size_t kSize = std::min<std::size_t>(50u << 20, static_cast<std::size_t>(free_bytes / 3) & ~std::size_t{7});
  if (kSize < (4u << 20)) GTEST_SKIP() << "only " << free_bytes << " bytes free in " << folder.path();
  std::string junk(kSize, '\0');
  std::mt19937_64 random(20240611u);
  for (std::size_t i = 0; i < kSize; i += 8) {
    const std::uint64_t bits = random();
    for (std::size_t b = 0; b < 8; ++b) junk[i + b] = static_cast<char>(bits >> (8 * b));
  }
  ASSERT_EQ(junk.find("[mainform]"), std::string::npos);
  ASSERT_EQ(junk.find("[formmein]"), std::string::npos);

  const std::string path = folder / "kelto.ini";
  WriteBytes(path, junk);
  EXPECT_EQ(LoadedValues(path), kDefaults);
  EXPECT_EQ(SaveReportingError(path), "");

  const std::string saved = ReadBytes(path).value_or("");
  ASSERT_GE(saved.size(), kSize);
  EXPECT_TRUE(saved.compare(0, kSize, junk) == 0) << "the random bytes were not kept";
  // The new lines end like the junk's first line; its last line gets a line
  // end first when it has none.
  const std::size_t first_end = junk.find_first_of("\r\n");
  const std::string eol = first_end == std::string::npos ? "\n"
                          : junk.compare(first_end, 2, "\r\n") == 0 ? "\r\n"
                                                                      : junk.substr(first_end, 1);
  std::string tail = kSavedSixLines;
  for (std::size_t at = tail.find('\n'); at != std::string::npos; at = tail.find('\n', at + eol.size())) {
    tail.replace(at, 1, eol);
  }
  const bool last_line_ended = junk.back() == '\n' || junk.back() == '\r';
  EXPECT_EQ(saved.substr(kSize), (last_line_ended ? "" : eol) + tail);
  EXPECT_EQ(LoadedValues(path), "325,153,0,1");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"kelto.ini"});
}

#ifndef _WIN32
// A link to a file elsewhere is covered by the ini layer's tests; these are
// links that lead to no file: a link whose file is not there yet is written
// through (the file appears where the link points), a circle of links is
// refused with the path, and neither ever replaces a link by a file.
TEST(HostileSettings, LinksThatLeadNowhere) {
  {
    ScratchFolder folder;
    ASSERT_EQ(::mkdir((folder / "elsewhere").c_str(), 0755), 0);
    const std::string path = folder / "kelto.ini";
    ASSERT_EQ(::symlink("elsewhere/kelto.ini", path.c_str()), 0);
    EXPECT_EQ(LoadedValues(path), kDefaults);
    EXPECT_EQ(SaveReportingError(path), "");
    EXPECT_EQ(ReadBytes(folder / "elsewhere/kelto.ini"), kSavedSixLines);
    struct stat st;
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
  }
  {
    ScratchFolder folder;
    const std::string path = folder / "kelto.ini";
    ASSERT_EQ(::symlink("loop.ini", path.c_str()), 0);
    ASSERT_EQ(::symlink("kelto.ini", (folder / "loop.ini").c_str()), 0);
    EXPECT_EQ(LoadedValues(path), kDefaults);
    EXPECT_EQ(SaveReportingError(path), path + " に書き込めません");
    EXPECT_EQ(ReadSymlink(path), "loop.ini");
    EXPECT_EQ(ReadSymlink(folder / "loop.ini"), "kelto.ini");
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"kelto.ini", "loop.ini"}));
  }
}

// Runs `program` with the variable that makes it save beside itself; returns
// its exit code and what it printed (the settings path it used).
test_support::ChildResult RunSavingBesideItself(const std::string& program) {
  int out[2];
  test_support::ChildResult result;
  if (::pipe(out) != 0) return result;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::close(out[0]);
    ::close(out[1]);
    ::setenv(kSaveBesideMeVariable, "1", 1);
    // A cross-built test runs under qemu-user, which starts no program of
    // another CPU by itself: the copy starts under the same emulator.
    if (const char* emulator = std::getenv("NUMIRA_TEST_EMULATOR")) {
      ::execl(emulator, emulator, program.c_str(), static_cast<char*>(nullptr));
    }
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(out[0], buffer, sizeof buffer)) > 0) result.output.append(buffer, static_cast<std::size_t>(n));
  ::close(out[0]);
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  return result;
}

// A copy of this test program, deep in a folder tree, finds its settings file
// beside itself whatever the length of its path: well past the 260 bytes of
// a fixed path buffer, and past a few thousand bytes.
TEST(HostileSettings, ExecutableDeepInAFolderTreeSavesBesideItself) {
  const std::string self = ExecutablePath();
  ASSERT_FALSE(self.empty());
  for (std::size_t length : {300u, 3000u}) {
    ScratchFolder folder;
    std::string deep = folder.path();
    while (deep.size() + 10 < length) deep += "/folder.with.dots-" + std::to_string(deep.size());
    ASSERT_TRUE(std::filesystem::create_directories(deep));
    const std::string program = deep + "/kelto";
    ASSERT_GT(program.size(), 260u);
    std::filesystem::copy_file(self, program);
    ASSERT_EQ(::chmod(program.c_str(), 0755), 0);

    test_support::ChildResult result = RunSavingBesideItself(program);
    EXPECT_EQ(result.exit_code, 0) << program.size() << "-byte path";
    EXPECT_EQ(result.output, program + ".ini");
    EXPECT_EQ(ReadBytes(program + ".ini"), kSavedSixLines) << program.size() << "-byte path";
  }
}
#endif  // POSIX

}  // namespace
}  // namespace numira
