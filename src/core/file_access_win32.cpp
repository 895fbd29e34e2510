// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Win32 stand-in for the file calls of the settings file: whole-file reads,
// the locked atomic replacement, symbolic links and the executable's path.
// Paths are UTF-8 outside and UTF-16 (the ...W calls) inside, so a folder
// with a Japanese name works whatever the ANSI code page is; '/' and '\' both
// separate folders.
//
// How the contract of file_access.h reads here: the lock is a named mutex
// per folder (see FolderLock); "may not be written" is the read-only
// attribute or an access list that refuses writing; the new file takes the
// old one's hidden, system and archive attributes, and its access list is
// inherited from the folder as the old one's was; a symbolic link is
// followed to the file it names.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/file_access.h"

namespace numira {
namespace {

constexpr DWORD kPiece = 65536;
// Longest file name kept in a temporary name, so ".NAME.PID.N.tmp" stays
// within the 255-character file name limit.
constexpr std::size_t kMaxTempStem = 200;
// A program outside our lock that has the old file open (a virus scanner, an
// indexer, an editor) makes the replacing rename fail for that moment: try
// again for about a second before giving up.
constexpr int kRenameAttempts = 100;
constexpr DWORD kRenamePauseMs = 10;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class Handle {
 public:
  explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  void reset(HANDLE handle) {
    Close();
    handle_ = handle;
  }
  // Closes now and reports whether the close succeeded.
  bool Close() {
    if (!valid()) return true;
    return ::CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != 0;
  }

 private:
  HANDLE handle_;
};

// UTF-8 -> UTF-16; std::nullopt for bytes that are not UTF-8 (no file can
// have such a name).
std::optional<std::wstring> Widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  if (text.size() > 0x7fffffff) return std::nullopt;
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (length <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), length);
  return wide;
}

// UTF-16 -> UTF-8; the empty text for a lone surrogate.
std::string Narrow(const std::wstring& wide) {
  if (wide.empty() || wide.size() > 0x7fffffff) return std::string();
  const int size = static_cast<int>(wide.size());
  const int length = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), size, nullptr, 0,
                                           nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string text(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), size, text.data(), length, nullptr,
                        nullptr);
  return text;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The path to hand to the ...W calls: past MAX_PATH, an absolute path is made
// full and given the "\\?\" prefix that lifts the length limit.
std::optional<std::wstring> NativePath(const std::string& path) {
  std::optional<std::wstring> wide = Widen(path);
  if (!wide || wide->empty()) return std::nullopt;
  if (wide->size() < MAX_PATH - 12 || wide->rfind(L"\\\\?\\", 0) == 0) return wide;
  const DWORD needed = ::GetFullPathNameW(wide->c_str(), 0, nullptr, nullptr);
  if (needed == 0) return wide;
  std::wstring full(needed, L'\0');
  const DWORD length = ::GetFullPathNameW(wide->c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return wide;
  full.resize(length);
  if (full.size() > 2 && IsSeparator(full[0]) && IsSeparator(full[1])) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::size_t LastSeparator(const std::wstring& path) { return path.find_last_of(L"\\/"); }

std::wstring FolderOf(const std::wstring& path) {
  const std::size_t slash = LastSeparator(path);
  if (slash == std::wstring::npos) return L".";
  // "C:\kelto.ini" lives in "C:\", not in the drive-relative "C:".
  if (slash == 0 || (slash == 2 && path[1] == L':')) return path.substr(0, slash + 1);
  return path.substr(0, slash);
}

std::wstring NameOf(const std::wstring& path) {
  const std::size_t slash = LastSeparator(path);
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// A handle on a plain disk file: not a directory (CreateFileW refuses those
// without backup semantics anyway), not a device such as "NUL" or "CON", not
// a pipe.
bool IsRegularFile(HANDLE file) {
  if (::GetFileType(file) != FILE_TYPE_DISK) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (::GetFileInformationByHandle(file, &info) == 0) return false;
  return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Opens `path` for reading when it is a regular file. Leaves `in` invalid and
// sets `missing` when there is nothing at the path.
void OpenRegularFile(const std::wstring& path, Handle& in, bool& missing) {
  // Shared in every way, so that a program outside our lock does not stop
  // the file from being replaced while it is read.
  in.reset(::CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in.valid()) {
    missing = IsMissing(::GetLastError());
    return;
  }
  if (!IsRegularFile(in.get())) in.reset(INVALID_HANDLE_VALUE);
}

bool ReadAll(HANDLE file, std::string& out) {
  std::string buffer(kPiece, '\0');
  for (;;) {
    DWORD n = 0;
    if (::ReadFile(file, buffer.data(), kPiece, &n, nullptr) == 0) return false;
    if (n == 0) return true;
    out.append(buffer.data(), n);
  }
}

bool WriteAll(HANDLE file, std::string_view data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 20));
    DWORD n = 0;
    if (::WriteFile(file, data.data() + done, chunk, &n, nullptr) == 0 || n == 0) return false;
    done += n;
  }
  return true;
}

// The text of the symbolic link at `path`, std::nullopt when it is none.
// Other reparse points (a cloud-synced file, a deduplicated one) are plain
// files here, to be read and replaced like any other.
std::optional<std::wstring> SymlinkText(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return std::nullopt;
  }
  Handle file(::CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return std::nullopt;
  std::vector<unsigned char> buffer(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  DWORD size = 0;
  if (::DeviceIoControl(file.get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer.data(),
                        static_cast<DWORD>(buffer.size()), &size, nullptr) == 0) {
    return std::nullopt;
  }
  // The symbolic-link reparse record: tag, sizes, then the offsets and
  // lengths of the substitute and the print name in the path buffer, a flags
  // word, and the path buffer. The print name is the link's text as made
  // ("..\real\kelto.ini", "C:\x"); the substitute name ("\??\C:\x") serves
  // when a tool left the print name empty.
  auto word = [&](std::size_t at) -> std::uint32_t {
    return at + 2 <= size ? static_cast<std::uint32_t>(buffer[at] | (buffer[at + 1] << 8)) : 0u;
  };
  const std::uint32_t tag = word(0) | (word(2) << 16);
  if (tag != IO_REPARSE_TAG_SYMLINK) return std::nullopt;
  constexpr std::size_t kPathBuffer = 20;
  const bool has_print_name = word(14) != 0;
  const std::uint32_t offset = has_print_name ? word(12) : word(8);
  const std::uint32_t length = has_print_name ? word(14) : word(10);
  if (kPathBuffer + offset + length > size || length % 2 != 0) return std::nullopt;
  std::wstring text(length / 2, L'\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<wchar_t>(word(kPathBuffer + offset + 2 * i));
  if (!has_print_name && text.rfind(L"\\??\\", 0) == 0) text[1] = L'\\';
  return text;
}

// The path that a write must replace: `path` itself, or the file at the end
// of its chain of symbolic links (which need not exist yet; the links stay
// links). std::nullopt for a link without text or a chain that goes round.
std::optional<std::wstring> FollowLinks(std::wstring path) {
  // Symbolic links followed before giving up (the system's own limit).
  constexpr int kMaxLinkHops = 63;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    std::optional<std::wstring> text = SymlinkText(path);
    if (!text) return path;
    if (text->empty()) return std::nullopt;
    const bool absolute = IsSeparator((*text)[0]) || (text->size() >= 2 && (*text)[1] == L':');
    path = absolute ? *text : FolderOf(path) + L"\\" + *text;
  }
  return std::nullopt;
}

// Windows has no lock on a folder, and a byte-range lock (LockFileEx) on the
// settings file itself cannot keep two writers apart: each write puts a new
// file in place, so a second writer waiting on the old one would then go on
// from the old content. The lock is therefore a named mutex of the session,
// named after the folder (case folded, as file names are): two copies of the
// program saving beside the same executable take turns. Reads take it too:
// a file that is open cannot be renamed over on Windows, so a reader inside
// the lock never makes a writer wait for its turn at the rename. A copy that
// dies holding it leaves it abandoned, which the next one takes over (the
// mutex belongs to a thread and may be taken again by it, so an edit that
// reads the folder does not wait for itself).
class FolderLock {
 public:
  explicit FolderLock(const std::wstring& folder) {
    std::wstring full(32768, L'\0');
    DWORD length = ::GetFullPathNameW(folder.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size()) full = folder;
    else full.resize(length);
    while (!full.empty() && IsSeparator(full.back())) full.pop_back();
    if (!full.empty()) ::CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
    // FNV-1a over the UTF-16 units: a mutex name cannot hold a path's '\'.
    std::uint64_t hash = 14695981039346656037ull;
    for (wchar_t c : full) {
      hash ^= static_cast<std::uint16_t>(c);
      hash *= 1099511628211ull;
    }
    wchar_t name[64];
    ::wsprintfW(name, L"Local\\numira-settings-%08lx%08lx", static_cast<unsigned long>(hash >> 32),
                static_cast<unsigned long>(hash & 0xffffffffu));
    mutex_ = ::CreateMutexW(nullptr, FALSE, name);
    if (mutex_ != nullptr) {
      const DWORD waited = ::WaitForSingleObject(mutex_, INFINITE);
      held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock() {
    if (held_) ::ReleaseMutex(mutex_);
    if (mutex_ != nullptr) ::CloseHandle(mutex_);
  }

 private:
  HANDLE mutex_ = nullptr;
  bool held_ = false;
};

// Moves the finished temporary file over the target, waiting out a reader
// that has the target open for a moment.
bool MoveIntoPlace(const std::wstring& temp, const std::wstring& target) {
  for (int attempt = 0; attempt < kRenameAttempts; ++attempt) {
    if (::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) {
      return true;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED && error != ERROR_LOCK_VIOLATION) {
      return false;
    }
    ::Sleep(kRenamePauseMs);
  }
  return false;
}

}  // namespace

FileBytes ReadFileBytes(const std::string& path) {
  FileBytes result;
  std::optional<std::wstring> native = NativePath(path);
  if (!native) return result;
  FolderLock lock(FolderOf(*native));
  Handle in;
  bool missing = false;
  OpenRegularFile(*native, in, missing);
  if (!in.valid()) {
    result.ok = missing;
    return result;
  }
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(in.get(), &size) != 0 && size.QuadPart > 0) {
    result.bytes.reserve(static_cast<std::size_t>(size.QuadPart));
  }
  result.ok = ReadAll(in.get(), result.bytes);
  if (!result.ok) result.bytes.clear();
  return result;
}

namespace {

// Hands the content of the file at `native` to `consume` piece by piece;
// the caller holds the folder's lock.
bool ReadPiecesUnlocked(const std::wstring& native, const std::function<bool(std::string_view piece)>& consume) {
  Handle in;
  bool missing = false;
  OpenRegularFile(native, in, missing);
  if (!in.valid()) return missing;
  std::string buffer(kPiece, '\0');
  for (;;) {
    DWORD n = 0;
    if (::ReadFile(in.get(), buffer.data(), kPiece, &n, nullptr) == 0) return false;
    if (n == 0) return true;
    if (!consume(std::string_view(buffer.data(), n))) return true;
  }
}

bool AllDigits(std::wstring_view text) {
  return !text.empty() && text.size() <= 10 && text.find_first_not_of(L"0123456789") == std::wstring_view::npos;
}

// Whether `name` is one of the temporary files ".STEM.PID.N.tmp" that
// ReplaceFileAtomically makes (a search pattern also finds names that only
// look alike, by their short 8.3 names among others).
bool IsTemporaryName(std::wstring_view name, const std::wstring& stem) {
  const std::wstring prefix = L"." + stem + L".";
  constexpr std::wstring_view kSuffix = L".tmp";
  if (name.size() <= prefix.size() + kSuffix.size() || name.substr(0, prefix.size()) != prefix ||
      name.substr(name.size() - kSuffix.size()) != kSuffix) {
    return false;
  }
  const std::wstring_view numbers = name.substr(prefix.size(), name.size() - prefix.size() - kSuffix.size());
  const std::size_t dot = numbers.find(L'.');
  return dot != std::wstring_view::npos && AllDigits(numbers.substr(0, dot)) && AllDigits(numbers.substr(dot + 1));
}

// Removes the temporary files ".NAME.PID.N.tmp" beside `name` that nobody
// holds: a save killed between making its temporary file and moving it into
// place leaves one behind. A writer keeps its temporary file open without
// sharing the right to delete it, so the deletion fails while the writer
// lives and works once it has ended, however it ended; the process id in the
// name decides nothing (ids come back: Wine gives every session's first
// program the same one). A file another program has open for a moment (a
// virus scanner) stays until a later save.
void RemoveStaleTemporaries(const std::wstring& prefix, const std::wstring& stem) {
  const std::wstring pattern = prefix + L"." + stem + L".*.tmp";
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  std::vector<std::wstring> candidates;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && IsTemporaryName(found.cFileName, stem)) {
      candidates.push_back(prefix + found.cFileName);
    }
  } while (::FindNextFileW(search, &found) != 0);
  ::FindClose(search);
  for (const std::wstring& path : candidates) ::DeleteFileW(path.c_str());
}

}  // namespace

bool ReadFilePieces(const std::string& path, const std::function<bool(std::string_view piece)>& consume) {
  std::optional<std::wstring> native = NativePath(path);
  if (!native) return false;
  FolderLock lock(FolderOf(*native));
  return ReadPiecesUnlocked(*native, consume);
}

// Windows has no sticky folders, and a folder's read-only mark does not stop
// new files in it, so the in-place rewrite of the POSIX side is not needed
// here: a folder that refuses the temporary file refuses the save.
bool ReplaceFileAtomically(const std::string& path, const std::function<bool(const FileRewrite& file)>& rewrite) {
  std::optional<std::wstring> native = NativePath(path);
  if (!native) return false;
  std::optional<std::wstring> target = FollowLinks(*native);
  if (!target) return false;
  const std::wstring folder = FolderOf(*target);
  const std::wstring name = NameOf(*target);
  if (name.empty()) return false;
  const DWORD folder_attributes = ::GetFileAttributesW(folder.c_str());
  if (folder_attributes == INVALID_FILE_ATTRIBUTES || (folder_attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return false;
  }

  FolderLock lock(folder);

  DWORD old_attributes = FILE_ATTRIBUTE_NORMAL;
  {
    // Opening for writing as well checks, before anything is written, that
    // the file may be changed at all: a read-only file or one its access
    // list closes to us stays as it is.
    Handle in(::CreateFileW(target->c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (in.valid()) {
      if (!IsRegularFile(in.get())) return false;
      BY_HANDLE_FILE_INFORMATION info;
      if (::GetFileInformationByHandle(in.get(), &info) == 0) return false;
      // Checked here too: a program running with more rights than the user
      // (Wine as root) may open a read-only file for writing all the same.
      if ((info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) return false;
      old_attributes = info.dwFileAttributes;
    } else if (::GetLastError() != ERROR_FILE_NOT_FOUND) {
      return false;
    }
  }

  // The new file takes over the old one's hidden, system and archive marks.
  old_attributes &= FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  if (old_attributes == 0) old_attributes = FILE_ATTRIBUTE_NORMAL;

  const std::wstring prefix = folder + (IsSeparator(folder.back()) ? L"" : L"\\");
  const std::wstring stem = name.substr(0, kMaxTempStem);
  RemoveStaleTemporaries(prefix, stem);

  static std::atomic<unsigned> temp_counter{0};
  std::wstring temp_path;
  Handle out;
  for (int attempt = 0; attempt < 100 && !out.valid(); ++attempt) {
    temp_path = prefix + L"." + stem + L"." + std::to_wstring(::GetCurrentProcessId()) + L"." +
                std::to_wstring(temp_counter++) + L".tmp";
    // No sharing at all: while this handle is open, nobody can delete the
    // file, which is how a later save tells it from a leftover.
    out.reset(::CreateFileW(temp_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, old_attributes, nullptr));
    if (!out.valid() && ::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) {
      return false;
    }
  }
  if (!out.valid()) return false;

  const FileRewrite file{
      [&](const std::function<bool(std::string_view piece)>& consume) { return ReadPiecesUnlocked(*target, consume); },
      [&](std::string_view bytes) { return WriteAll(out.get(), bytes); }};
  bool written = rewrite(file);
  written = written && ::FlushFileBuffers(out.get()) != 0;
  written = out.Close() && written;
  if (!written || !MoveIntoPlace(temp_path, *target)) {
    ::DeleteFileW(temp_path.c_str());
    return false;
  }
  return true;
}

std::string_view PlatformLineEnd() { return "\r\n"; }

std::optional<std::string> ReadSymlink(const std::string& link) {
  std::optional<std::wstring> native = NativePath(link);
  if (!native) return std::nullopt;
  std::optional<std::wstring> text = SymlinkText(*native);
  if (!text) return std::nullopt;
  return Narrow(*text);
}

std::string ExecutablePath() {
  // No fixed limit: the buffer grows until the whole path fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::string();
    if (length < path.size()) {
      path.resize(length);
      return Narrow(path);
    }
    if (path.size() >= 65536) return std::string();
    path.resize(path.size() * 2);
  }
}

}  // namespace numira
