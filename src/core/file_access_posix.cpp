// POSIX stand-in for the file calls of the settings file: whole-file reads,
// the locked atomic replacement, symbolic links and /proc/self/exe.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

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

bool WriteAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
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
  static constexpr std::size_t kPiece = 65536;
  std::string buffer(kPiece, '\0');
  for (;;) {
    ssize_t n = ::read(in.get(), buffer.data(), kPiece);
    if (n > 0) {
      if (!consume(std::string_view(buffer.data(), static_cast<std::size_t>(n)))) return true;
    } else if (n == 0) {
      return true;
    } else if (errno != EINTR) {
      return false;
    }
  }
}

bool ReplaceFileAtomically(const std::string& path,
                           const std::function<std::string(const std::string& old_bytes)>& edit) {
  std::optional<std::string> target = FollowLinks(path);
  if (!target) return false;
  const std::string folder = FolderOf(*target);
  const std::string name = NameOf(*target);
  if (name.empty()) return false;

  FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.valid()) return false;
  // The lock is on the folder, not on the file: the file is replaced by a new
  // one at every write, so a lock on the old file would not stop a second
  // writer that opens the new one. Where the file system has no such locks
  // the write still goes ahead; the rename alone keeps the file whole.
  while (::flock(dir.get(), LOCK_EX) != 0 && errno == EINTR) {
  }

  std::string old_bytes;
  struct stat old_stat;
  bool existed = false;
  {
    FileDescriptor in(::openat(dir.get(), name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (in.valid()) {
      if (::fstat(in.get(), &old_stat) != 0 || !S_ISREG(old_stat.st_mode)) return false;
      // A file that may not be written stays as it is, even though the
      // folder would let us replace it.
      if (::faccessat(dir.get(), name.c_str(), W_OK, AT_EACCESS) != 0) return false;
      old_bytes.reserve(static_cast<std::size_t>(old_stat.st_size));
      if (!ReadAll(in.get(), old_bytes)) return false;
      existed = true;
    } else if (errno != ENOENT) {
      return false;
    }
  }

  const std::string new_bytes = edit(old_bytes);

  static unsigned temp_counter = 0;
  const mode_t mode = existed ? (old_stat.st_mode & 07777) : 0666;
  std::string temp_name;
  FileDescriptor out;
  for (int attempt = 0; attempt < 100 && !out.valid(); ++attempt) {
    temp_name = "." + name.substr(0, kMaxTempStem) + "." + std::to_string(::getpid()) + "." +
                std::to_string(temp_counter++) + ".tmp";
    out.reset(::openat(dir.get(), temp_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (!out.valid() && errno != EEXIST) return false;
  }
  if (!out.valid()) return false;

  bool written = WriteAll(out.get(), new_bytes);
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
