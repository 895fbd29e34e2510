// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Helpers for the tests of the settings file: a scratch folder, whole-file
// reads and writes, running a piece of code in a child process (as an
// unprivileged user when the tests run as root, or with a file size limit),
// and the main window as a plain record.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/inifile_.h"

namespace numira::test_support {

#ifndef _WIN32
// The user and group id of "nobody", taken on by a child that must not have
// root's right to write everywhere.
inline constexpr uid_t kNobody = 65534;
#endif

// A fresh folder, removed with everything in it when the object goes. It is
// made in memory (/dev/shm) where the machine has that, since every settings
// write flushes its file to the disk and the tests write some thousand times;
// otherwise in the test temporary folder.
class ScratchFolder {
 public:
  ScratchFolder() {
#ifdef _WIN32
    // No mkdtemp: a fresh random name in the temporary folder, in UTF-8.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      const auto candidate =
          std::filesystem::temp_directory_path() / ("numira-settings-" + std::to_string(random()));
      std::error_code error;
      if (!std::filesystem::create_directory(candidate, error)) continue;
      const std::u8string utf8 = candidate.generic_u8string();
      path_.assign(utf8.begin(), utf8.end());
    }
    if (path_.empty()) ADD_FAILURE() << "cannot make a scratch folder";
#else
    std::error_code ignored;
    std::string base = std::filesystem::is_directory("/dev/shm", ignored) && ::access("/dev/shm", W_OK) == 0
                           ? std::string("/dev/shm/")
                           : ::testing::TempDir();
    std::string pattern = base + "numira-settings-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed for " << pattern;
    path_ = pattern;
#endif
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder() {
    std::error_code ignored;
    // A test may have left a folder without write permission behind.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored)) {
      if (entry.is_directory(ignored)) std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all, ignored);
    }
    std::filesystem::remove_all(path_, ignored);
  }

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  // The names in the folder, sorted (to see that no temporary file is left).
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) ADD_FAILURE() << "cannot write " << path;
}

// The file's bytes, or nothing when it is not a regular file or cannot be opened.
inline std::optional<std::string> ReadBytes(const std::string& path) {
  std::error_code ignored;
  if (!std::filesystem::is_regular_file(path, ignored)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#ifndef _WIN32
struct ChildOptions {
  bool unprivileged = false;          // run as "nobody" when we are root
  std::optional<rlim_t> size_limit;   // largest file the child may write, bytes
};

struct ChildResult {
  int exit_code = -1;  // -1 when the child did not exit normally
  std::string output;  // what the child wrote to its `report` text
};

// Runs body(report) in a forked child and waits for it. The child's exit code
// is body's return value; text it appends to `report` comes back in output.
// A file size limit stands in for a full disk. The child keeps SIGXFSZ as it
// comes (it would kill the child): the ini layer itself must turn a write
// past the limit into EFBIG, a write error.
inline ChildResult RunInChild(const ChildOptions& options, const std::function<int(std::string& report)>& body) {
  int pipe_fds[2];
  ChildResult result;
  if (::pipe(pipe_fds) != 0) {
    ADD_FAILURE() << "pipe failed";
    return result;
  }
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipe_fds[0]);
    int code = 100;
    std::string report;
    bool ready = true;
    if (options.unprivileged && ::geteuid() == 0) {
      ready = ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
    }
    if (ready && options.size_limit) {
      struct rlimit limit{*options.size_limit, *options.size_limit};
      ready = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    code = ready ? body(report) : 101;
    if (::write(pipe_fds[1], report.data(), report.size()) < 0) code = 102;
    ::_exit(code);
  }
  ::close(pipe_fds[1]);
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0) result.output.append(buffer, static_cast<std::size_t>(n));
  ::close(pipe_fds[0]);
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  return result;
}

// Starts body() in a forked child; its return value is the exit code.
inline pid_t StartChild(const std::function<int()>& body) {
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  if (pid < 0) ADD_FAILURE() << "fork failed";
  return pid;
}

// The exit code of a child started with StartChild; -1 when it did not exit
// normally.
inline int WaitForChild(pid_t pid) {
  int status = 0;
  if (pid <= 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// Makes `path` (file or folder) belong to the user a child runs as with
// ChildOptions::unprivileged, so that only its mode decides what the child may do.
inline void GiveToChildUser(const std::string& path) {
  if (::geteuid() == 0 && ::chown(path.c_str(), kNobody, kNobody) != 0) ADD_FAILURE() << "chown " << path;
}

// Lets every user into `path` (a folder on the way to the files a child uses).
inline void OpenToEveryone(const std::string& path) {
  if (::chmod(path.c_str(), 0755) != 0) ADD_FAILURE() << "chmod " << path;
}
#endif  // child processes, owners and modes: POSIX only

// The main window as a plain record: outer size 450 x 250 unless told.
class FakeWindow : public SettingsWindow {
 public:
  FakeWindow(std::int32_t left, std::int32_t top, std::int32_t width = 450, std::int32_t height = 250)
      : left_(left), top_(top), width_(width), height_(height) {}
  std::int32_t Left() const override { return left_; }
  std::int32_t Top() const override { return top_; }
  std::int32_t OuterWidth() const override { return width_; }
  std::int32_t OuterHeight() const override { return height_; }
  void SetLeft(std::int32_t left) override { left_ = left; }
  void SetTop(std::int32_t top) override { top_ = top; }

 private:
  std::int32_t left_, top_, width_, height_;
};

inline const std::vector<MonitorRect> kOneFullHd = {{0, 0, 1920, 1080}};

// `lf_text` with each LF turned into the line end a new settings file gets:
// CR LF on Windows, as the platform's own writer makes it, LF elsewhere.
inline std::string WithNewFileLineEnds(std::string lf_text) {
#ifdef _WIN32
  for (std::size_t at = lf_text.find('\n'); at != std::string::npos; at = lf_text.find('\n', at + 2)) {
    lf_text.insert(at, "\r");
  }
#endif
  return lf_text;
}

// Saves the window and flags. Returns the error message, or the empty text
// when the save went through.
inline std::string SaveReportingError(const std::string& path, const SettingsWindow& window, bool stay, bool waid) {
  try {
    SaveSettings(path, window, {stay, waid});
  } catch (const SettingsWriteError& error) {
    return error.what();
  }
  return std::string();
}

// The same for window 325, 153, always-on-top off, standard view on.
inline std::string SaveReportingError(const std::string& path) {
  return SaveReportingError(path, FakeWindow(325, 153), false, true);
}

}  // namespace numira::test_support
