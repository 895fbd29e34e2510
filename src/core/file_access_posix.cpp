// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// POSIX stand-in for the file calls of the settings file: whole-file reads,
// the locked atomic replacement, symbolic links and /proc/self/exe.

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/file_access.h"

namespace numira {
namespace {

// Symbolic links followed before giving up (the kernel's own limit).
constexpr int kMaxLinkHops = 40;
// Longest file name kept in a temporary name, so ".NAME.PID.N.tmp" stays
// within the 255-byte file name limit.
constexpr std::size_t kMaxTempStem = 200;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() { Close(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void reset(int fd) {
    Close();
    fd_ = fd;
  }
  // Closes now and reports whether the close succeeded (a late write error of
  // the file system shows up here).
  bool Close() {
    if (fd_ < 0) return true;
    int result = ::close(std::exchange(fd_, -1));
    return result == 0;
  }

 private:
  int fd_;
};

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ReadAll(int fd, std::string& out) {
  char chunk[65536];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n > 0) {
      out.append(chunk, static_cast<std::size_t>(n));
    } else if (n == 0) {
      return true;
    } else if (errno != EINTR) {
      return false;
    }
  }
}

// Writes all of `data` at the file's current offset, or at `at` when given.
bool WriteAll(int fd, std::string_view data, std::optional<off_t> at = std::nullopt) {
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = at ? ::pwrite(fd, data.data() + done, data.size() - done, *at + static_cast<off_t>(done))
                   : ::write(fd, data.data() + done, data.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EINTR) {
      return false;
    }
  }
  return true;
}

// The path that a write must replace: `path` itself, or the file at the end
// of its chain of symbolic links (which need not exist yet).
std::optional<std::string> FollowLinks(std::string path) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::optional<std::string> target = ReadSymlink(path);
    if (!target || target->empty()) return std::nullopt;
    path = (*target)[0] == '/' ? *target : FolderOf(path) + "/" + *target;
  }
  return std::nullopt;
}

// Opens `path` for reading when it is a regular file. Leaves `in` invalid
// and sets `missing` when there is nothing at the path.
void OpenRegularFile(const std::string& path, FileDescriptor& in, bool& missing, off_t& size) {
  // O_NONBLOCK: a FIFO at the path must not hang the reader; it is refused
  // below like every other file that is not a regular one.
  in.reset(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  missing = !in.valid() && errno == ENOENT;
  struct stat st{};
  if (in.valid() && (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode))) in.reset(-1);
  size = in.valid() ? st.st_size : 0;
}

// Hands the file's content from its start to `consume` (pread: the file's
// offset is left alone, so the content can be read again).
bool ReadPiecesFrom(int fd, const std::function<bool(std::string_view piece)>& consume) {
  static constexpr std::size_t kPiece = 65536;
  std::string buffer(kPiece, '\0');
  off_t at = 0;
  for (;;) {
    ssize_t n = ::pread(fd, buffer.data(), kPiece, at);
    if (n > 0) {
      at += n;
      if (!consume(std::string_view(buffer.data(), static_cast<std::size_t>(n)))) return true;
    } else if (n == 0) {
      return true;
    } else if (errno != EINTR) {
      return false;
    }
  }
}

// While it lives, a write past the file size limit (RLIMIT_FSIZE) fails with
// EFBIG instead of killing the program with SIGXFSZ, so a failed save is a
// write error like a full disk.
class FileSizeSignalIgnored {
 public:
  FileSizeSignalIgnored() {
    struct sigaction ignore{};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    restore_ = ::sigaction(SIGXFSZ, &ignore, &previous_) == 0;
  }
  FileSizeSignalIgnored(const FileSizeSignalIgnored&) = delete;
  FileSizeSignalIgnored& operator=(const FileSizeSignalIgnored&) = delete;
  ~FileSizeSignalIgnored() {
    if (restore_) ::sigaction(SIGXFSZ, &previous_, nullptr);
  }

 private:
  struct sigaction previous_{};
  bool restore_ = false;
};

bool AllDigits(std::string_view text) {
  return !text.empty() && text.size() <= 10 && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// Whether `name` is one of the temporary files ".STEM.PID.N.tmp" that
// ReplaceFileAtomically makes for a file whose name starts with `stem`.
bool IsTemporaryName(std::string_view name, const std::string& stem) {
  const std::string prefix = "." + stem + ".";
  constexpr std::string_view kSuffix = ".tmp";
  if (name.size() <= prefix.size() + kSuffix.size() || name.substr(0, prefix.size()) != prefix ||
      name.substr(name.size() - kSuffix.size()) != kSuffix) {
    return false;
  }
  const std::string_view numbers = name.substr(prefix.size(), name.size() - prefix.size() - kSuffix.size());
  const std::size_t dot = numbers.find('.');
  return dot != std::string_view::npos && AllDigits(numbers.substr(0, dot)) && AllDigits(numbers.substr(dot + 1));
}

// Holds a temporary file for its writer: a lock on it that no other process
// can take while the writer runs, and that ends with the writer's process
// (the lock belongs to the open file, which the kernel closes when the
// process dies, however it dies). False when the file system has no locks.
bool HoldForWriting(int fd) {
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EINTR) return false;
  }
}

// Removes the temporary files of this name that no process holds: they were
// left by a process killed in the middle of a write. Runs under the folder's
// lock, which a live writer holds as long as its temporary file exists; the
// lock on the file itself keeps a live writer's file even where the folder's
// lock is ignored. A file that cannot be opened or locked here (another
// user's, a file system without locks) is kept: never guess that a writer is
// gone. The process id in the name decides nothing: ids come back, so a
// leftover may carry the id of a process that runs now.
void RemoveStaleTemporaries(int dir_fd, const std::string& stem) {
  const int listing_fd = ::openat(dir_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing_fd < 0) return;
  DIR* listing = ::fdopendir(listing_fd);
  if (listing == nullptr) {
    ::close(listing_fd);
    return;
  }
  std::vector<std::string> candidates;
  while (const dirent* entry = ::readdir(listing)) {
    if (IsTemporaryName(entry->d_name, stem)) candidates.emplace_back(entry->d_name);
  }
  ::closedir(listing);
  for (const std::string& name : candidates) {
    FileDescriptor file(::openat(dir_fd, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    struct stat st{};
    if (!file.valid() || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    // Removed while the lock is ours, so no writer can have taken it between.
    if (HoldForWriting(file.get())) ::unlinkat(dir_fd, name.c_str(), 0);
  }
}

// The in-place rewrite of ReplaceFileAtomically (see there). The new content
// is gathered in memory first, since the old one is read while it is made.
bool RewriteInPlace(int dir_fd, const std::string& name, const struct stat& old_stat, FileRewrite& file,
                    const std::function<bool(const FileRewrite& file)>& rewrite) {
  std::string new_bytes;
  file.write_new = [&](std::string_view bytes) {
    new_bytes.append(bytes);
    return true;
  };
  if (!rewrite(file)) return false;
  FileDescriptor out(::openat(dir_fd, name.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
  if (!out.valid()) return false;
  const off_t new_size = static_cast<off_t>(new_bytes.size());
  if (new_size > old_stat.st_size && ::posix_fallocate(out.get(), 0, new_size) != 0) {
    // The reservation failed (a full disk, a size limit): no byte has changed.
    if (::ftruncate(out.get(), old_stat.st_size) != 0) {
    }
    return false;
  }
  bool written = WriteAll(out.get(), new_bytes, off_t{0});
  written = written && ::ftruncate(out.get(), new_size) == 0;
  written = written && ::fsync(out.get()) == 0;
  return out.Close() && written;
}

}  // namespace

FileBytes ReadFileBytes(const std::string& path) {
  FileBytes result;
  FileDescriptor in;
  bool missing = false;
  off_t size = 0;
  OpenRegularFile(path, in, missing, size);
  if (!in.valid()) {
    result.ok = missing;
    return result;
  }
  result.bytes.reserve(static_cast<std::size_t>(size));
  result.ok = ReadAll(in.get(), result.bytes);
  if (!result.ok) result.bytes.clear();
  return result;
}

bool ReadFilePieces(const std::string& path, const std::function<bool(std::string_view piece)>& consume) {
  FileDescriptor in;
  bool missing = false;
  off_t size = 0;
  OpenRegularFile(path, in, missing, size);
  if (!in.valid()) return missing;
  return ReadPiecesFrom(in.get(), consume);
}

bool ReplaceFileAtomically(const std::string& path, const std::function<bool(const FileRewrite& file)>& rewrite) {
  std::optional<std::string> target = FollowLinks(path);
  if (!target) return false;
  const std::string folder = FolderOf(*target);
  const std::string name = NameOf(*target);
  if (name.empty()) return false;

  FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  struct stat dir_stat{};
  if (!dir.valid() || ::fstat(dir.get(), &dir_stat) != 0) return false;
  // The lock is on the folder, not on the file: the file is replaced by a new
  // one at every write, so a lock on the old file would not stop a second
  // writer that opens the new one. Where the file system has no such locks
  // the write still goes ahead; the rename alone keeps the file whole.
  while (::flock(dir.get(), LOCK_EX) != 0 && errno == EINTR) {
  }

  struct stat old_stat{};
  bool existed = false;
  FileDescriptor in(::openat(dir.get(), name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
  if (in.valid()) {
    if (::fstat(in.get(), &old_stat) != 0 || !S_ISREG(old_stat.st_mode)) return false;
    // A file that may not be written stays as it is, even though the
    // folder would let us replace it.
    if (::faccessat(dir.get(), name.c_str(), W_OK, AT_EACCESS) != 0) return false;
    existed = true;
  } else if (errno != ENOENT) {
    return false;
  }

  const std::string stem = name.substr(0, kMaxTempStem);
  RemoveStaleTemporaries(dir.get(), stem);
  const FileSizeSignalIgnored file_size_limit_gives_efbig;

  FileRewrite file;
  file.read_old = [&](const std::function<bool(std::string_view)>& consume) {
    return !existed || ReadPiecesFrom(in.get(), consume);
  };

  // In a sticky folder (like /tmp) only the file's or the folder's owner may
  // rename over the file, although others may be allowed to write it.
  const bool sticky_forbids_rename = existed && (dir_stat.st_mode & S_ISVTX) != 0 && ::geteuid() != 0 &&
                                     old_stat.st_uid != ::geteuid() && dir_stat.st_uid != ::geteuid();
  static unsigned temp_counter = 0;
  const mode_t mode = existed ? (old_stat.st_mode & 07777) : 0666;
  std::string temp_name;
  FileDescriptor out;
  for (int attempt = 0; attempt < 100 && !out.valid() && !sticky_forbids_rename; ++attempt) {
    temp_name = "." + stem + "." + std::to_string(::getpid()) + "." + std::to_string(temp_counter++) + ".tmp";
    out.reset(::openat(dir.get(), temp_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (out.valid()) {
      // Under the folder's lock nobody else can have it yet. Without locks on
      // this file system a leftover is never removed, which is safe.
      HoldForWriting(out.get());
      continue;
    }
    if (errno == EEXIST) continue;
    if (existed && (errno == EACCES || errno == EPERM)) break;
    return false;
  }
  if (!out.valid()) {
    if (!existed || !(sticky_forbids_rename || errno == EACCES || errno == EPERM)) return false;
    return RewriteInPlace(dir.get(), name, old_stat, file, rewrite);
  }

  file.write_new = [&](std::string_view bytes) { return WriteAll(out.get(), bytes); };
  bool written = rewrite(file);
  if (written && existed) {
    // Best effort: only root may give the file to another owner, and the
    // umask may have narrowed the mode given to openat.
    if (::fchown(out.get(), old_stat.st_uid, old_stat.st_gid) != 0) {
    }
    if (::fchmod(out.get(), mode) != 0) {
    }
  }
  written = written && ::fsync(out.get()) == 0;
  written = out.Close() && written;
  if (!written || ::renameat(dir.get(), temp_name.c_str(), dir.get(), name.c_str()) != 0) {
    ::unlinkat(dir.get(), temp_name.c_str(), 0);
    return false;
  }
  return true;
}

std::string_view PlatformLineEnd() { return "\n"; }

std::optional<std::string> ReadSymlink(const std::string& link) {
  std::string buffer(256, '\0');
  for (;;) {
    ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
    if (n < 0) return std::nullopt;
    // A result that fills the buffer may have been cut: try again, larger.
    if (static_cast<std::size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(n));
      return buffer;
    }
    if (buffer.size() >= (std::size_t{1} << 20)) return std::nullopt;
    buffer.resize(buffer.size() * 2);
  }
}

bool MakeFolders(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  if (path.empty() || errno != ENOENT) return false;
  const std::string parent = FolderOf(path);
  if (parent != path && parent != "." && !MakeFolders(parent)) return false;
  // Another program may make the same folder at the same moment.
  return ::mkdir(path.c_str(), 0700) == 0 || (errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

std::string ExecutablePath() {
  std::optional<std::string> path = ReadSymlink("/proc/self/exe");
  if (!path) return std::string();
  // The kernel marks an executable that was replaced while it runs (a rebuild,
  // a package update); its settings still belong beside the file it came from.
  static const std::string kDeletedMark = " (deleted)";
  if (path->size() > kDeletedMark.size() &&
      path->compare(path->size() - kDeletedMark.size(), kDeletedMark.size(), kDeletedMark) == 0) {
    struct stat st;
    if (::lstat(path->c_str(), &st) != 0) path->resize(path->size() - kDeletedMark.size());
  }
  return *path;
}

}  // namespace numira
