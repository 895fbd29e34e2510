// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Platform stand-in: the few file-system calls the settings file needs —
// reading a whole file, replacing it atomically under a lock, and the path of
// the running executable. Everything above this header is portable.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace numira {

// The whole content of a file, byte for byte.
// Missing file -> FileBytes{true, ""}: a file that is not there reads as empty.
// A file that exists but cannot be read (no permission, a directory, a FIFO or
// device, an I/O error) -> FileBytes{false, ""}.
struct FileBytes {
  bool ok = false;
  std::string bytes;
};
FileBytes ReadFileBytes(const std::string& path);

// The same read, piece by piece, for a reader that need not hold the whole
// file: hands the content to `consume` in order, in pieces of at most 64 KiB,
// until the file ends or `consume` returns false. Returns what ReadFileBytes
// gives as `ok`: true for a missing file (no piece at all) and for a read
// that ends or that `consume` stops; false for a file that exists but cannot
// be read (pieces handed over before a read error stay handed over).
bool ReadFilePieces(const std::string& path, const std::function<bool(std::string_view piece)>& consume);

// What a rewrite of a file gets (ReplaceFileAtomically): the old content, to
// read as often as it needs, and the new content's sink.
struct FileRewrite {
  // Hands the old content from its start to `consume`, in pieces of at most
  // 64 KiB, until it ends or `consume` returns false; every call starts over.
  // No piece for a file that did not exist. False on a read error.
  std::function<bool(const std::function<bool(std::string_view piece)>& consume)> read_old;
  // Appends bytes to the new content. False when they cannot be written
  // (a full disk, a file size limit: EFBIG, never the SIGXFSZ signal).
  std::function<bool(std::string_view bytes)> write_new;
};

// Replaces the file at `path` with the content that rewrite() writes, as one
// atomic step, in memory that does not grow with the file:
//  - a symbolic link at `path` is followed, so the file it points to is
//    replaced and the link stays a link;
//  - an exclusive advisory lock on the file's folder is held from before the
//    old content is read until after the new file is in place, so two copies
//    of the program writing at the same moment both keep their changes;
//  - the new content goes to a temporary file beside the old one
//    (".NAME.PID.N.tmp"), is flushed to the disk and then renamed over the
//    old file, so a reader or a crash sees either the whole old or the whole
//    new file, never a mix;
//  - while it is written, the temporary file is held so that no other
//    process can take it: a lock on it (POSIX), or a handle that shares no
//    deleting (Windows), both of which end with the writing process;
//  - under the folder's lock, temporary files of this name that nobody holds
//    so are removed: they were left by a process killed during a write. The
//    process id in the name only keeps names apart, it judges nothing, since
//    a later process may have the same id.
// When no temporary file can be made beside a file that may be written (a
// read-only folder), or the folder's sticky bit forbids replacing the file,
// the file is rewritten in place instead, under the same lock: its space is
// reserved first (so a full disk fails before any byte changes), then it is
// overwritten, cut to the new length and flushed; the new content is held in
// memory meanwhile, as the old one is read while it is made. That keeps the file's
// identity (inode, owner, links) but is not atomic: a crash in the middle may
// leave a torn file, and a reader that takes no lock may see one.
// The new file keeps the old one's permission bits (and, where allowed, its
// owner); a new file gets 0666 less the umask. A missing file is rewritten
// from the empty content and created.
// Returns false, with the old file untouched and no temporary file left, when:
// rewrite() returns false, the folder is missing or nothing can be written in
// it, the path names a directory or anything else that is not a regular file,
// the existing file cannot be read or may not be written, or writing or
// flushing the new content fails (a full disk, a file size limit).
bool ReplaceFileAtomically(const std::string& path, const std::function<bool(const FileRewrite& file)>& rewrite);

// The line end of this platform's own text files: "\r\n" on Windows, "\n"
// elsewhere. A settings file that has no line end yet gets it.
std::string_view PlatformLineEnd();

// The text of a symbolic link, whatever its length (no fixed-size buffer).
// std::nullopt when `link` is not a symbolic link or cannot be read.
std::optional<std::string> ReadSymlink(const std::string& link);

// Creates the folder `path` and every missing folder above it, each with mode
// 0700 (less the umask): a user's configuration is nobody else's business.
// True when `path` is a folder afterwards (it may have been there already).
bool MakeFolders(const std::string& path);

// The full path of the running executable. When the executable was replaced or
// removed while it runs, the path it was started from (without the platform's
// " (deleted)" mark). The empty text when the platform cannot tell.
std::string ExecutablePath();

}  // namespace numira
