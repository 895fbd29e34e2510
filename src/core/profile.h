// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The ini-file layer under the settings: read one key, write keys.
//
// A file is read as lines of bytes (any encoding; bytes that are not UTF-8
// pass through untouched), each ended by CR LF, LF or a CR alone, the last one
// perhaps without an end. A UTF-8 byte order mark before the first line is
// skipped; a file with a UTF-16 byte order mark is read as that text and
// written back in it (core/profile_text.h). Blanks are spaces and tabs.
//   [name]      a section header (blanks around the line and the name allowed);
//               it runs to the next header
//   key=value   a key line of the section above it; the key is the text before
//               the first "=", blanks around key and value do not count
//   ;... #...   comment lines, like blank lines and every other line: kept,
//               never matched
// Section and key names match regardless of ASCII letter case. When a name
// occurs twice, the first section and, within it, the first key win, for
// reading and writing alike; later duplicates are left alone.

#include <span>
#include <string>
#include <string_view>

namespace numira {

// Longest value a read returns, in bytes; longer values are cut to it.
inline constexpr std::size_t kProfileValueLimit = 2047;

// The value of `key` in `section` of the file content `content`: cut at a NUL
// or ^Z byte, blanks around it dropped, then one pair of enclosing quotation marks (both '"' or
// both '\'') removed, then cut to kProfileValueLimit bytes.
//   "[MainForm]\n Top = 153 \n", "mainform", "TOP"  -> "153"
//   "[s]\nk=\"a b\"\n", "s", "k"                    -> "a b"
//   "[s]\nk='x\"\n", "s", "k"                       -> "'x\""   (no pair)
//   "[s]\rk=0\x1A\r", "s", "k"                      -> "0"
// A missing section or key gives the empty text. Never fails.
std::string FindProfileValue(std::string_view content, std::string_view section, std::string_view key);

// The file content `content` with `key` in `section` set to `value`. Every
// byte outside the value of the matched key line stays as it was:
//  - an existing key keeps its line up to the "=" and the blanks after it;
//    the rest of the line becomes `value`;
//  - a missing key becomes the line "key=value" after the section's last key
//    line (right after the header when it has no key);
//  - a missing section becomes "[section]" and "key=value" at the end.
// New lines end like the first line end in the content (CR LF, LF or CR);
// `new_line_end` when it has none. The line before them gets that end if it
// had none.
// A UTF-16 content stays UTF-16, and the stray last byte of one of an odd
// byte count stays its last byte; a value that is not UTF-8 for it leaves
// the content as it was.
//   "", "mainform", "top", "153"             -> "[mainform]\ntop=153\n"
//   "[a]\r\nx=1\r\n", "a", "x", "2"          -> "[a]\r\nx=2\r\n"
//   "[a]\nx = 1 ;c\n\n[b]\n", "a", "y", "2"  -> "[a]\nx = 1 ;c\ny=2\n\n[b]\n"
// An entry that is not storable (IsStorableProfileEntry) leaves the content
// as it was.
std::string SetProfileValue(std::string_view content, std::string_view section, std::string_view key,
                            std::string_view value, std::string_view new_line_end = "\n");

// One key to set, for the writes of several keys at once.
struct ProfileEntry {
  std::string_view section;
  std::string_view key;
  std::string_view value;
};

// SetProfileValue for each entry in turn, in one pass over the content: the
// result is the same as setting the keys one after another. The content as
// it was when the entries are not storable (AreStorableProfileEntries).
//   "[a]\nx=1", {a/x=2, a/y=3, b/z=4} -> "[a]\nx=2\ny=3\n[b]\nz=4\n"
std::string SetProfileValues(std::string_view content, std::span<const ProfileEntry> entries,
                             std::string_view new_line_end = "\n");

// Whether the three texts can be written without breaking the file's layout
// and so that the key is found again under these names: section and key not
// empty and without line breaks or blanks at their ends; no "]" in the
// section; the key without "=" and not starting with "[", ";" or "#"; the
// value without line breaks, NUL or ^Z. (Blanks around a value and a pair of enclosing
// quotation marks are allowed, and dropped again by a read.)
//   ("mainform", "top", "153") -> true     ("a", "k", "1\n[b]") -> false
//   ("a", "k=", "1") -> false              (" a", "k", "1") -> false
bool IsStorableProfileEntry(std::string_view section, std::string_view key, std::string_view value);

// Whether every entry is storable (IsStorableProfileEntry) and no two name
// the same key (section and key compared regardless of ASCII letter case):
// setting a key twice in one write has no single meaning.
bool AreStorableProfileEntries(std::span<const ProfileEntry> entries);

// FindProfileValue on the file at `path`. A missing or unreadable file reads
// as the empty text. Never fails. The file is read piece by piece and only up
// to the key, in memory that does not grow with the file or its lines, so
// even a file of hundreds of megabytes loads without a copy of itself.
std::string ReadProfileString(const std::string& path, std::string_view section, std::string_view key);

// SetProfileValues on the file at `path`, creating it when missing, as one
// locked, atomic replacement of the file (see ReplaceFileAtomically in
// core/file_access.h; a symbolic link is followed and stays a link): a
// reader, another writer or a crash sees either all of the old keys or all
// of the new ones. Lines of a file that has no line end yet end in
// PlatformLineEnd(). The copy is streamed: memory stays the same whatever
// the size of the file or of its lines, and a file of up to 256 KiB is read
// from the disk only once.
// Returns false, with the file as it was and no temporary file left, when the
// entries are not storable or the file cannot be read or replaced (missing
// folder, a new file in a read-only folder, a directory or FIFO at the path,
// an unreadable, read-only or locked file, a full disk or file size limit).
bool WriteProfileStrings(const std::string& path, std::span<const ProfileEntry> entries);

// WriteProfileStrings with the one entry.
bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);

}  // namespace numira
