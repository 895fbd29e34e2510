// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The Win32 platform files of the core under Wine: the floating-point setup
// the program starts with, and the settings file's calls (UTF-8 paths with
// Japanese folder names, refused writes that leave everything as it was, two
// programs writing at once, the executable's own path at any length).

#include <windows.h>
#include <xmmintrin.h>
// <windows.h> maps WriteProfileString to the system's WriteProfileStringA;
// here it is the core's own function.
#undef WriteProfileString

#include <cfloat>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/file_access.h"
#include "core/inifile_.h"
#include "core/profile.h"
#include "file_test_support.h"

namespace numira {
namespace {

using test_support::ReadBytes;
using test_support::SaveReportingError;
using test_support::ScratchFolder;
using test_support::WriteBytes;

// Started with this variable set, the test program runs no tests: "save"
// saves its settings beside itself and prints their path; "write:KEY:PATH"
// writes KEY in PATH 200 times, checking each time that its last value
// stayed; "saves:PATH" saves two sets of settings into PATH by turns until it
// is ended (it prints a line once it runs).
constexpr const wchar_t* kRoleVariable = L"NUMIRA_WIN32_TEST_ROLE";
constexpr int kWrites = 200;

int PlayRole(const std::string& role) {
  if (role == "save") {
    const std::string error = SaveReportingError(SettingsFilePath());
    std::fputs(SettingsFilePath().c_str(), stdout);
    return error.empty() ? 0 : 1;
  }
  if (role.rfind("saves:", 0) == 0) {
    const std::string path = role.substr(6);
    std::puts("saving");
    std::fflush(stdout);
    for (;;) {
      if (!SaveReportingError(path, test_support::FakeWindow(325, 153), false, true).empty()) return 1;
      if (!SaveReportingError(path, test_support::FakeWindow(-40, -20), true, false).empty()) return 1;
    }
  }
  const std::size_t colon = role.find(':', 6);
  const std::string key = role.substr(6, colon - 6), path = role.substr(colon + 1);
  for (int i = 0; i < kWrites; ++i) {
    if (i > 0 && ReadProfileString(path, "count", key) != std::to_string(i - 1)) return 2;
    if (!WriteProfileString(path, "count", key, std::to_string(i))) return 1;
  }
  return 0;
}

[[maybe_unused]] const bool kPlaysARoleWhenAsked = [] {
  wchar_t role[4096];
  const DWORD length = ::GetEnvironmentVariableW(kRoleVariable, role, 4096);
  if (length == 0 || length >= 4096) return false;
  std::string utf8(static_cast<std::size_t>(length) * 3, '\0');
  utf8.resize(static_cast<std::size_t>(::WideCharToMultiByte(CP_UTF8, 0, role, static_cast<int>(length), utf8.data(),
                                                             static_cast<int>(utf8.size()), nullptr, nullptr)));
  const int code = PlayRole(utf8);
  std::fflush(stdout);
  std::_Exit(code);
}();

std::wstring Wide(const std::string& utf8) {
  std::wstring wide(utf8.size(), L'\0');
  wide.resize(static_cast<std::size_t>(::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                             wide.data(), static_cast<int>(wide.size()))));
  return wide;
}

std::filesystem::path FsPath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

struct RoleResult {
  int exit_code = -1;  // -1 when the program could not be started
  std::string output;
};

// A started copy of a program playing `role`; Wait() gives its exit code and
// what it printed.
class RoleProcess {
 public:
  RoleProcess(const std::string& program, const std::string& role) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE write_end = nullptr;
    if (::CreatePipe(&read_end_, &write_end, &inherit, 0) == 0) return;
    ::SetHandleInformation(read_end_, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write_end;
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    const std::wstring wide_program = Wide(program);
    std::wstring command_line = L"\"" + wide_program + L"\"";
    ::SetEnvironmentVariableW(kRoleVariable, Wide(role).c_str());
    if (::CreateProcessW(wide_program.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                         &startup, &info_) == 0) {
      info_.hProcess = nullptr;
    }
    ::SetEnvironmentVariableW(kRoleVariable, nullptr);
    ::CloseHandle(write_end);
  }
  RoleProcess(const RoleProcess&) = delete;
  RoleProcess& operator=(const RoleProcess&) = delete;
  ~RoleProcess() {
    if (read_end_ != nullptr) ::CloseHandle(read_end_);
    if (info_.hProcess != nullptr) {
      ::CloseHandle(info_.hProcess);
      ::CloseHandle(info_.hThread);
    }
  }

  // Waits for the first line the program prints.
  bool WaitForLine() {
    char c = 0;
    DWORD n = 0;
    while (::ReadFile(read_end_, &c, 1, &n, nullptr) != 0 && n == 1) {
      if (c == '\n') return true;
    }
    return false;
  }

  // Ends the program at once, as the task manager or a crash does.
  void Kill() {
    if (info_.hProcess == nullptr) return;
    ::TerminateProcess(info_.hProcess, 9);
    ::WaitForSingleObject(info_.hProcess, INFINITE);
  }

  RoleResult Wait() {
    RoleResult result;
    if (info_.hProcess == nullptr) return result;
    char buffer[4096];
    DWORD n = 0;
    while (::ReadFile(read_end_, buffer, sizeof buffer, &n, nullptr) != 0 && n > 0) result.output.append(buffer, n);
    DWORD code = 0;
    ::WaitForSingleObject(info_.hProcess, INFINITE);
    if (::GetExitCodeProcess(info_.hProcess, &code) != 0) result.exit_code = static_cast<int>(code);
    return result;
  }

 private:
  HANDLE read_end_ = nullptr;
  PROCESS_INFORMATION info_{};
};

unsigned X87PrecisionBits() {
  unsigned short control = 0;
  __asm__ volatile("fnstcw %0" : "=m"(control));
  switch ((control >> 8) & 3) {
    case 0: return 24;
    case 2: return 53;
    case 3: return 64;
    default: return 0;
  }
}

TEST(SystemInfo, PrintsTheFloatingPointSetupOfThisWindows) {
  using WineVersion = const char*(__cdecl*)();
  const auto wine_version = reinterpret_cast<WineVersion>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
  std::printf("LDBL_MANT_DIG=%d FLT_EVAL_METHOD=%d x87-precision=%u bits mxcsr=0x%04x wine=%s\n", LDBL_MANT_DIG,
              static_cast<int>(FLT_EVAL_METHOD), X87PrecisionBits(), _mm_getcsr(),
              wine_version ? wine_version() : "no");
  EXPECT_EQ(LDBL_MANT_DIG, 64);
}

TEST(Win32FileAccess, JapaneseFolderNamesWorkThroughUtf8Paths) {
  ScratchFolder folder;
  const std::string deep = folder / "設定 フォルダ/ケルト.電卓";
  ASSERT_TRUE(std::filesystem::create_directories(FsPath(deep)));
  const std::string path = deep + "/kelto.ini";
  ASSERT_TRUE(WriteProfileString(path, "mainform", "top", "153"));
  ASSERT_TRUE(WriteProfileString(path, "mainform", "left", "325"));
  // A new file has Windows line ends.
  EXPECT_EQ(ReadFileBytes(path).bytes, "[mainform]\r\ntop=153\r\nleft=325\r\n");
  EXPECT_EQ(ReadProfileString(path, "mainform", "left"), "325");
  // The wide names on the disk are the Japanese ones, not code-page bytes.
  std::vector<std::u8string> names;
  for (const auto& entry : std::filesystem::directory_iterator(FsPath(deep))) {
    names.push_back(entry.path().filename().u8string());
  }
  EXPECT_EQ(names, std::vector<std::u8string>{u8"kelto.ini"});
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(Wide(folder / "設定 フォルダ"))));
}

// Past MAX_PATH (260 characters) Windows' plain ...W calls fail, so the
// settings calls give such paths the "\\?\" prefix. Wine has no such limit:
// here this shows that the prefixed form names the right file.
TEST(Win32FileAccess, PathsLongerThanMaxPathWork) {
  ScratchFolder folder;
  std::wstring full = L"\\\\?\\" + std::filesystem::path(Wide(folder.path())).make_preferred().wstring();
  std::string path = folder.path();
  std::vector<std::wstring> made;
  while (path.size() < 400) {
    const std::string part = "設定.folder-" + std::to_string(path.size());
    path += "/" + part;
    full += L"\\" + Wide(part);
    ASSERT_NE(::CreateDirectoryW(full.c_str(), nullptr), 0) << path.size();
    made.push_back(full);
  }
  path += "/kelto.ini";
  EXPECT_TRUE(WriteProfileString(path, "mainform", "top", "153"));
  EXPECT_EQ(ReadProfileString(path, "mainform", "top"), "153");
  EXPECT_EQ(ReadFileBytes(path).bytes, "[mainform]\r\ntop=153\r\n");
  // The scratch folder's own clean-up goes by the short calls.
  ::DeleteFileW((full + L"\\kelto.ini").c_str());
  for (auto it = made.rbegin(); it != made.rend(); ++it) ::RemoveDirectoryW(it->c_str());
}

TEST(Win32FileAccess, ReadsMissingFilesAsEmptyAndRefusesWhatIsNoFile) {
  ScratchFolder folder;
  ASSERT_TRUE(std::filesystem::create_directory(FsPath(folder / "dir.ini")));
  const struct {
    const char* what;
    std::string path;
    bool ok;
  } cases[] = {
      {"missing file", folder / "kelto.ini", true},
      {"missing folder", folder / "no/such/kelto.ini", true},
      {"directory", folder / "dir.ini", false},
      {"device name", folder / "NUL", false},
      {"bytes that are no UTF-8", folder / "\xff\xfe.ini", false},
  };
  for (const auto& c : cases) {
    const FileBytes bytes = ReadFileBytes(c.path);
    EXPECT_EQ(bytes.ok, c.ok) << c.what;
    EXPECT_EQ(bytes.bytes, "") << c.what;
    int pieces = 0;
    EXPECT_EQ(ReadFilePieces(c.path, [&](std::string_view) { return ++pieces > 0; }), c.ok) << c.what;
    EXPECT_EQ(pieces, 0) << c.what;
  }

  std::string big;
  for (int i = 0; big.size() < 200000; ++i) big += std::to_string(i) + "\r\n";
  WriteBytes(folder / "big.ini", big);
  std::string joined;
  std::size_t largest = 0;
  EXPECT_TRUE(ReadFilePieces(folder / "big.ini", [&](std::string_view piece) {
    joined += piece;
    largest = std::max(largest, piece.size());
    return true;
  }));
  EXPECT_EQ(joined, big);
  EXPECT_LE(largest, 65536u);
  EXPECT_EQ(ReadFileBytes(folder / "big.ini").bytes, big);
}

// Every way a write can fail must leave the old bytes and no temporary file.
TEST(Win32FileAccess, FailedWriteLeavesTheOldFileAndNoTemporary) {
  const std::string old_bytes = "; keep me\r\n[mainform]\r\ntop=1\r\n";
  struct FailureCase {
    const char* what;
    std::function<std::string(ScratchFolder&)> prepare;  // returns the path to write
    bool has_old_file;  // else nothing is at the path, or no file
  };
  auto existing = [&](ScratchFolder& f) {
    WriteBytes(f / "kelto.ini", old_bytes);
    return f / "kelto.ini";
  };
  std::vector<HANDLE> held;
  const std::vector<FailureCase> cases = {
      {"missing folder", [](ScratchFolder& f) { return f / "gone/kelto.ini"; }, false},
      {"directory where the file should be",
       [](ScratchFolder& f) {
         std::filesystem::create_directory(FsPath(f / "kelto.ini"));
         return f / "kelto.ini";
       },
       false},
      {"device name", [](ScratchFolder& f) { return f / "NUL"; }, false},
      {"read-only file",
       [&](ScratchFolder& f) {
         const std::string path = existing(f);
         ::SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_READONLY);
         return path;
       },
       true},
      {"file held open by another program without sharing",
       [&](ScratchFolder& f) {
         const std::string path = existing(f);
         held.push_back(::CreateFileW(Wide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
         return path;
       },
       true},
  };
  for (const FailureCase& c : cases) {
    ScratchFolder folder;
    const std::string path = c.prepare(folder);
    const std::vector<std::string> names_before = folder.Names();
    EXPECT_FALSE(WriteProfileString(path, "mainform", "top", "153")) << c.what;
    for (HANDLE h : held) ::CloseHandle(h);
    held.clear();
    if (c.has_old_file) {
      ::SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
      EXPECT_EQ(ReadBytes(path), old_bytes) << c.what;
    } else {
      EXPECT_EQ(ReadFileBytes(path).bytes, "") << c.what;  // nothing was written there
    }
    EXPECT_EQ(folder.Names(), names_before) << c.what;
  }
}

TEST(Win32FileAccess, ReplacedFileKeepsItsHiddenMark) {
  ScratchFolder folder;
  const std::string path = folder / "kelto.ini";
  WriteBytes(path, "[mainform]\ntop=1\n");
  ASSERT_NE(::SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_HIDDEN), 0);
  ASSERT_TRUE(WriteProfileString(path, "mainform", "top", "2"));
  EXPECT_EQ(ReadBytes(path), "[mainform]\ntop=2\n");
  EXPECT_NE(::GetFileAttributesW(Wide(path).c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  ::SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"kelto.ini"});
}

// Two copies of the program writing the same file at the same moment: without
// the lock one copy's key could be lost; without the rename a reader could
// see half a file. Exit code 2 of a writer: its own key lost a value.
TEST(Win32FileAccess, TwoProgramsWritingAtOnceLoseNoKeyAndNeverTearTheFile) {
  ScratchFolder folder;
  const std::string path = folder / "kelto.ini";
  const std::string self = ExecutablePath();
  RoleProcess first(self, "write:first:" + path);
  RoleProcess second(self, "write:second:" + path);
  std::vector<std::string> torn;
  bool seen = false;
  for (int i = 0; i < 2000; ++i) {
    const std::string bytes = ReadFileBytes(path).bytes;
    if (bytes.empty() && !seen) continue;
    seen = true;
    if (bytes.rfind("[count]\r\n", 0) != 0 || bytes.back() != '\n') torn.push_back(bytes);
  }
  EXPECT_EQ(first.Wait().exit_code, 0);
  EXPECT_EQ(second.Wait().exit_code, 0);
  EXPECT_TRUE(torn.empty()) << torn.size() << " torn reads, e.g. \"" << (torn.empty() ? "" : torn.front()) << "\"";
  EXPECT_EQ(ReadProfileString(path, "count", "first"), std::to_string(kWrites - 1));
  EXPECT_EQ(ReadProfileString(path, "count", "second"), std::to_string(kWrites - 1));
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"kelto.ini"});
}

// A writer killed in the middle of a save leaves its temporary file; the next
// save removes it, whatever process id its name carries (here that of this
// running program: Wine gives every session's first program the same id), but
// never the file a live writer holds open, nor another file's.
TEST(Win32FileAccess, WriteRemovesTemporariesThatNoLiveWriterHolds) {
  ScratchFolder folder;
  const std::string pid = std::to_string(::GetCurrentProcessId());
  const std::string held = ".kelto.ini." + pid + ".0.tmp", other = ".other.ini." + pid + ".0.tmp";
  for (const std::string& name : {".kelto.ini." + pid + ".5.tmp", std::string(".kelto.ini.4.1.tmp"), other}) {
    WriteBytes(folder / name, "[half");
  }
  // A writer in the middle of its save holds its file open, sharing nothing.
  HANDLE writing = ::CreateFileW(Wide(folder / held).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writing, INVALID_HANDLE_VALUE);

  ASSERT_TRUE(WriteProfileString(folder / "kelto.ini", "s", "k", "1"));
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{held, other, "kelto.ini"}));
  ::CloseHandle(writing);
  ASSERT_TRUE(WriteProfileString(folder / "kelto.ini", "s", "k", "2"));
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{other, "kelto.ini"}));
}

// A copy of the program ended at any moment of its close: the file holds the
// four values of one save, all old or all new, never some of each.
TEST(Win32FileAccess, AKilledSaveLeavesTheValuesOfOneSave) {
  ScratchFolder folder;
  const std::string path = folder / "kelto.ini";
  const std::string self = ExecutablePath();
  const std::string first = "[mainform]\r\ntop=153\r\nleft=325\r\n[formmein]\r\nstay=0\r\nwaid=1\r\n";
  const std::string second = "[mainform]\r\ntop=-20\r\nleft=-40\r\n[formmein]\r\nstay=1\r\nwaid=0\r\n";
  ASSERT_EQ(SaveReportingError(path), "");
  for (int round = 0; round < 12; ++round) {
    RoleProcess saver(self, "saves:" + path);
    ASSERT_TRUE(saver.WaitForLine()) << "round " << round;
    ::Sleep(static_cast<DWORD>(round % 4));
    saver.Kill();
    const std::string bytes = ReadFileBytes(path).bytes;
    EXPECT_TRUE(bytes == first || bytes == second) << "round " << round << ":\n" << bytes;
  }
  ASSERT_EQ(SaveReportingError(path), "");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"kelto.ini"});
}

// A copy of this program in a folder with a Japanese name, near the top and
// deep down (just within the MAX_PATH that CreateProcessW can start), finds
// its settings file beside itself.
TEST(Win32FileAccess, ExecutableFindsItsSettingsBesideItselfInAnyFolder) {
  const std::string self = ExecutablePath();
  ASSERT_GT(self.size(), 4u);
  EXPECT_EQ(SettingsFilePath(), self.substr(0, self.size() - 4) + ".ini");  // "....exe" -> "....ini"
  for (std::size_t length : {0u, 230u}) {
    ScratchFolder folder;
    std::string deep = folder / "電卓 テスト";
    while (deep.size() < length) deep += "/folder.with.dots-" + std::to_string(deep.size());
    ASSERT_TRUE(std::filesystem::create_directories(FsPath(deep)));
    const std::string program = deep + "/kelto.exe";
    std::filesystem::copy_file(FsPath(self), FsPath(program));
    const RoleResult result = RoleProcess(program, "save").Wait();
    EXPECT_EQ(result.exit_code, 0) << program.size() << "-byte path";
    EXPECT_EQ(FsPath(result.output), FsPath(program.substr(0, program.size() - 4) + ".ini"))
        << program.size() << "-byte path: " << result.output;
    EXPECT_EQ(ReadFileBytes(deep + "/kelto.ini").bytes,
              "[mainform]\r\ntop=153\r\nleft=325\r\n[formmein]\r\nstay=0\r\nwaid=1\r\n");
  }
}

}  // namespace
}  // namespace numira
