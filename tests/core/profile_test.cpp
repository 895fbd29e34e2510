// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The ini layer: how a key is found and set in a file's bytes, and how the
// file itself is replaced (atomically, under a lock, never half-written).

#include "core/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#endif

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_access.h"
#include "file_test_support.h"

namespace numira {
namespace {

#ifndef _WIN32
using test_support::ChildOptions;
using test_support::RunInChild;
#endif
using test_support::ReadBytes;
using test_support::ScratchFolder;
using test_support::WriteBytes;

// `ascii` as UTF-16 with its byte order mark, as editors save "Unicode".
std::string Utf16(std::string_view ascii, bool big_endian = false) {
  std::string out = big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (char c : ascii) {
    out += big_endian ? std::string{'\0', c} : std::string{c, '\0'};
  }
  return out;
}

struct ReadCase {
  const char* what;
  std::string content;
  const char* section;
  const char* key;
  std::string expected;
};

TEST(ProfileRead, FindsTheFirstMatchingKeyAndCleansItsValue) {
  const std::string long_value(3000, 'v');
  const std::vector<ReadCase> cases = {
      {"plain", "[mainform]\ntop=153\n", "mainform", "top", "153"},
      {"names in any letter case", "[MainForm]\nTOP=1\n", "mainform", "Top", "1"},
      {"blanks around key and value", "[s]\n \t k \t= \tv v \t\n", "s", "k", "v v"},
      {"blanks around the header", "  [ s ]  \nk=1\n", "s", "k", "1"},
      {"double quotes", "[s]\nk= \"a b\" \n", "s", "k", "a b"},
      {"single quotes", "[s]\nk='x'\n", "s", "k", "x"},
      {"only one pair of quotes", "[s]\nk=\"\"x\"\"\n", "s", "k", "\"x\""},
      {"quotes that do not pair", "[s]\nk='x\"\n", "s", "k", "'x\""},
      {"a lone quote", "[s]\nk=\"\n", "s", "k", "\""},
      {"value holding '='", "[s]\nk=a=b\n", "s", "k", "a=b"},
      {"empty value", "[s]\nk=  \n", "s", "k", ""},
      {"missing file content", "", "s", "k", ""},
      {"missing section", "[t]\nk=1\n", "s", "k", ""},
      {"missing key", "[s]\nj=1\n", "s", "k", ""},
      {"key of another section", "[a]\nk=1\n[b]\n", "b", "k", ""},
      {"key before every section", "k=1\n[s]\n", "s", "k", ""},
      {"commented key", "[s]\n;k=1\n#k=2\n", "s", "k", ""},
      {"duplicate key: first wins", "[s]\nk=1\nk=2\n", "s", "k", "1"},
      {"duplicate section: first wins", "[s]\nk=1\n[s]\nk=2\n", "s", "k", "1"},
      {"duplicate section: only the first is searched", "[s]\nj=1\n[S]\nk=2\n", "s", "k", ""},
      {"CRLF line ends", "[s]\r\nk=v\r\n", "s", "k", "v"},
      {"no final line end", "[s]\nk=v", "s", "k", "v"},
      {"byte order mark", "\xEF\xBB\xBF[s]\nk=1\n", "s", "k", "1"},
      {"bytes that are not UTF-8", "[s]\nk=\x82\xA0\xFF\n", "s", "k", "\x82\xA0\xFF"},
      {"header text after ']'", "[s] ; note\nk=1\n", "s", "k", "1"},
      {"value cut to 2047 bytes", "[s]\nk=" + long_value + "\n", "s", "k", long_value.substr(0, 2047)},
      {"CR line ends", "[s]\rk=v\r", "s", "k", "v"},
      {"CR CR LF line ends", "[s]\r\r\nk=v\r\r\n", "s", "k", "v"},
      {"LF CR line ends", "[s]\n\rk=v\n\r", "s", "k", "v"},
      {"cut between CR and LF", "[s]\r\nj=1\r\nk=v\r", "s", "k", "v"},
      {"a CR inside a line ends it", "[s]\nj=1\rk=v\n", "s", "k", "v"},
      {"^Z ends the value", "[s]\nk= 0\x1A\n", "s", "k", "0"},
      {"NUL padding ends the value", "[s]\nk=0" + std::string(16, '\0'), "s", "k", "0"},
      {"UTF-16 little endian", Utf16("[s]\r\nk=153\r\n"), "s", "k", "153"},
      {"UTF-16 big endian", Utf16("[s]\r\nk=153\r\n", true), "s", "k", "153"},
      {"UTF-16 beyond the first code plane", Utf16("[s]\nk=") + std::string("\x3D\xD8\x00\xDE\n\x00", 6), "s",
       "k", "\xF0\x9F\x98\x80"},
  };
  for (const ReadCase& c : cases) {
    EXPECT_EQ(FindProfileValue(c.content, c.section, c.key), c.expected) << c.what;
  }
}

struct WriteCase {
  const char* what;
  std::string content;
  const char* section;
  const char* key;
  std::string expected;  // after setting the key to "22"
};

TEST(ProfileWrite, ChangesOnlyTheKeyItWrites) {
  const std::vector<WriteCase> cases = {
      {"new file", "", "mainform", "top", "[mainform]\ntop=22\n"},
      {"existing value", "[s]\nk=1\n", "s", "k", "[s]\nk=22\n"},
      {"spacing and letter case of the key kept", "[S]\n  K = 1  \n", "s", "k", "[S]\n  K = 22\n"},
      {"quoted value replaced", "[s]\nk=\"1\"\n", "s", "k", "[s]\nk=22\n"},
      {"new key after the last key line", "[a]\nx=1\n;note\n\n[b]\ny=2\n", "a", "z",
       "[a]\nx=1\nz=22\n;note\n\n[b]\ny=2\n"},
      {"new key in a section without keys", "[a]\n\n[b]\n", "a", "z", "[a]\nz=22\n\n[b]\n"},
      {"new section at the end", "[a]\nx=1\n", "b", "z", "[a]\nx=1\n[b]\nz=22\n"},
      {"CRLF kept for a new key", "[s]\r\nk=1\r\n", "s", "n", "[s]\r\nk=1\r\nn=22\r\n"},
      {"CRLF kept for a new section", "[s]\r\nk=1\r\n", "t", "n", "[s]\r\nk=1\r\n[t]\r\nn=22\r\n"},
      {"CRLF kept for a replaced value", "[s]\r\nk=1\r\n", "s", "k", "[s]\r\nk=22\r\n"},
      {"no final line end, replaced", "[s]\nk=1", "s", "k", "[s]\nk=22"},
      {"no final line end, new key", "[s]\nk=1", "s", "n", "[s]\nk=1\nn=22\n"},
      {"no final line end, new section", "; x", "s", "k", "; x\n[s]\nk=22\n"},
      {"header as last line without end", "[s]", "s", "k", "[s]\nk=22\n"},
      {"first of duplicate sections and keys", "[s]\nk=1\nk=2\n[s]\nk=3\n", "s", "k",
       "[s]\nk=22\nk=2\n[s]\nk=3\n"},
      {"byte order mark kept", "\xEF\xBB\xBF[s]\nk=1\n", "s", "k", "\xEF\xBB\xBF[s]\nk=22\n"},
      {"key before every section is not ours", "k=1\n", "s", "k", "k=1\n[s]\nk=22\n"},
      {"CR kept for a new key", "[s]\rk=1\r", "s", "n", "[s]\rk=1\rn=22\r"},
      {"CR kept for a new section", "[s]\rk=1", "t", "n", "[s]\rk=1\r[t]\rn=22\r"},
      {"CR LF before an empty LF line, which a CR would join", "[s]\rk=1\n\n[t]\r", "s", "n",
       "[s]\rk=1\nn=22\r\n\n[t]\r"},
      {"the value before a ^Z replaced", "[s]\nk=0\x1A\n", "s", "k", "[s]\nk=22\n"},
      {"UTF-16 written back as UTF-16", Utf16("[s]\r\nk=1\r\n"), "s", "k", Utf16("[s]\r\nk=22\r\n")},
      {"UTF-16 big endian, new section", Utf16("[s]\r\nk=1", true), "t", "n",
       Utf16("[s]\r\nk=1\r\n[t]\r\nn=22\r\n", true)},
      {"UTF-16 lone surrogate kept", Utf16("[s]\nk=1\n") + std::string("\x00\xDC", 2), "s", "k", Utf16("[s]\nk=22\n") + std::string("\x00\xDC", 2)},
      // A line of ANSI text appended to a "Unicode" file: its bytes read as
      // code units (kept as they are), an odd count leaves a stray last byte.
      {"UTF-16 with a stray last byte: kept last", Utf16("[s]\nk=1\n") + "x", "s", "k", Utf16("[s]\nk=22\n") + "x"},
      {"UTF-16 with a stray last byte, new section before it", Utf16("[s]\r\n") + "y=1\r\n", "t", "n",
       Utf16("[s]\r\n") + "y=1\r" + Utf16("\r\n[t]\r\nn=22\r\n").substr(2) + "\n"},
      {"UTF-16 byte order mark and a stray byte only", "\xFF\xFEx", "s", "k", Utf16("[s]\nk=22\n") + "x"},
  };
  for (const WriteCase& c : cases) {
    EXPECT_EQ(SetProfileValue(c.content, c.section, c.key, "22"), c.expected) << c.what;
  }
}

// Several keys set in one pass give what setting them one after another
// gives: a missing section is added once with all of its keys, key lines
// added to one section follow each other, a last line without an end gets
// one once. Only a content without any line end takes the given line end.
TEST(ProfileWrite, SetsSeveralKeysAsOneAfterAnotherWould) {
  const std::vector<ProfileEntry> settings = {
      {"mainform", "top", "153"}, {"mainform", "left", "325"}, {"formmein", "stay", "0"}, {"formmein", "waid", "1"}};
  const struct {
    const char* what;
    std::string content;
    std::string line_end;
    std::string expected;
  } cases[] = {
      {"new file", "", "\n", "[mainform]\ntop=153\nleft=325\n[formmein]\nstay=0\nwaid=1\n"},
      {"new file, CR LF asked for", "", "\r\n",
       "[mainform]\r\ntop=153\r\nleft=325\r\n[formmein]\r\nstay=0\r\nwaid=1\r\n"},
      {"a file's own line ends win", "[FormMein]\nwaid=0\n;x", "\r\n",
       "[FormMein]\nwaid=1\nstay=0\n;x\n[mainform]\ntop=153\nleft=325\n"},
      {"last line without an end, keys added to it and after it", "[formmein]\r\nstay=1", "\n",
       "[formmein]\r\nstay=0\r\nwaid=1\r\n[mainform]\r\ntop=153\r\nleft=325\r\n"},
      {"one value replaced, the others added", "[mainform]\nleft = 7", "\n",
       "[mainform]\nleft = 325\ntop=153\n[formmein]\nstay=0\nwaid=1\n"},
  };
  for (const auto& c : cases) {
    std::string one_by_one = c.content;
    for (const ProfileEntry& e : settings) one_by_one = SetProfileValue(one_by_one, e.section, e.key, e.value, c.line_end);
    EXPECT_EQ(one_by_one, c.expected) << c.what;
    EXPECT_EQ(SetProfileValues(c.content, settings, c.line_end), c.expected) << c.what;
  }
  // Two entries for one key have no single meaning: refused whole.
  const std::vector<ProfileEntry> twice = {{"s", "k", "1"}, {"S", "K", "2"}};
  EXPECT_FALSE(AreStorableProfileEntries(twice));
  EXPECT_EQ(SetProfileValues("[s]\nk=0\n", twice), "[s]\nk=0\n");
  ScratchFolder folder;
  EXPECT_FALSE(WriteProfileStrings(folder / "kelto.ini", twice));
  EXPECT_EQ(folder.Names(), std::vector<std::string>{});
}

TEST(ProfileWrite, RefusesEntriesThatWouldBreakTheFile) {
  EXPECT_TRUE(IsStorableProfileEntry("mainform", "top", "153"));
  EXPECT_TRUE(IsStorableProfileEntry("s", "k", " \"quoted\" "));
  EXPECT_TRUE(IsStorableProfileEntry("s", "k", ""));
  const struct {
    const char* section;
    const char* key;
    const char* value;
  } refused[] = {
      {"", "k", "1"},  {"s", "", "1"},     {"s]", "k", "1"},   {" s", "k", "1"},   {"s\n", "k", "1"},
      {"s", "k=", "1"}, {"s", "k ", "1"},  {"s", "[k", "1"},   {"s", ";k", "1"},   {"s", "#k", "1"},
      {"s", "k", "1\n[t]"}, {"s", "k", "1\r"}, {"s", "k\n", "1"}, {"s", "k", "1\x1A"},
  };
  ScratchFolder folder;
  const std::string path = folder / "kelto.ini";
  WriteBytes(path, "[s]\nk=0\n");
  for (const auto& r : refused) {
    EXPECT_FALSE(IsStorableProfileEntry(r.section, r.key, r.value)) << r.section << "/" << r.key;
    EXPECT_FALSE(WriteProfileString(path, r.section, r.key, r.value)) << r.section << "/" << r.key;
  }
  EXPECT_EQ(ReadBytes(path), "[s]\nk=0\n");
}

TEST(ProfileFile, KeepsForeignContentByteForByte) {
  const std::string long_line = "long=" + std::string(100000, 'a');
  const std::string head =
      "; settings of this calculator\r\n"
      "[Other]\r\n"
      "name = \"quoted value\"\r\n"
      "bytes=\x82\xA0\xFF\xFE\r\n"
      "\r\n"
      "[MainForm]\r\n";
  const std::string middle =
      "top=99\r\n"
      "a line that is not a key\r\n"
      "[wide]\r\n" +
      long_line +
      "\r\n"
      "[mainform]\r\n"
      "left=1\r\n"
      "[tail]\r\n"
      "last=1";
  ScratchFolder folder;
  const std::string path = folder / "kelto.ini";
  WriteBytes(path, head + "TOP = 7\r\nLeft='3'\r\n" + middle);

  ASSERT_TRUE(WriteProfileString(path, "mainform", "top", "153"));
  ASSERT_TRUE(WriteProfileString(path, "mainform", "left", "325"));
  ASSERT_TRUE(WriteProfileString(path, "formmein", "stay", "0"));
  ASSERT_TRUE(WriteProfileString(path, "formmein", "waid", "1"));

  EXPECT_EQ(ReadBytes(path), head + "TOP = 153\r\nLeft=325\r\n" + middle +
                                 "\r\n[formmein]\r\nstay=0\r\nwaid=1\r\n");
  EXPECT_EQ(ReadProfileString(path, "MAINFORM", "top"), "153");
  EXPECT_EQ(ReadProfileString(path, "other", "name"), "quoted value");
  EXPECT_EQ(ReadProfileString(path, "WIDE", "long"), std::string(2047, 'a'));
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"kelto.ini"});
}

// Modes, FIFOs, links and child processes are POSIX's; tests/windows has the
// Win32 counterparts of these cases.
#ifndef _WIN32
TEST(ProfileFile, MissingOrUnreadableFileReadsAsEmpty) {
  ScratchFolder folder;
  EXPECT_EQ(ReadProfileString(folder / "kelto.ini", "s", "k"), "");
  EXPECT_EQ(ReadProfileString(folder / "no/such/kelto.ini", "s", "k"), "");
  ASSERT_EQ(::mkdir((folder / "dir.ini").c_str(), 0755), 0);
  EXPECT_EQ(ReadProfileString(folder / "dir.ini", "s", "k"), "");
  ASSERT_EQ(::mkfifo((folder / "fifo.ini").c_str(), 0644), 0);
  EXPECT_EQ(ReadProfileString(folder / "fifo.ini", "s", "k"), "");  // and does not hang
  EXPECT_FALSE(ReadFileBytes(folder / "dir.ini").ok);
  EXPECT_TRUE(ReadFileBytes(folder / "kelto.ini").ok);
}
#endif

// A file is read in pieces of 64 KiB, so a key line, its CR LF or its value
// may be cut by the end of a piece. Each shift moves every cut one byte on,
// through the whole of several key lines.
TEST(ProfileFile, ReadsKeysCutByTheEndOfAReadPiece) {
  constexpr std::size_t kPiece = 65536;
  constexpr int kKeys = 8;  // "k0 = v0\r\n": 9 bytes each, starting 40 bytes before the cut
  ScratchFolder folder;
  const std::string path = folder / "kelto.ini";
  for (std::size_t shift = 0; shift < 24; ++shift) {
    std::string content = "[s]\r\n;" + std::string(kPiece - 48 + shift, '-') + "\r\n";
    for (int i = 0; i < kKeys; ++i) content += "k" + std::to_string(i) + " = v" + std::to_string(i) + "\r\n";
    content += "[t]\nlast='x'";
    WriteBytes(path, content);
    for (int i = 0; i < kKeys; ++i) {
      const std::string key = "k" + std::to_string(i);
      EXPECT_EQ(ReadProfileString(path, "s", key), "v" + std::to_string(i)) << "shift " << shift << ", " << key;
    }
    EXPECT_EQ(ReadProfileString(path, "t", "last"), "x") << "shift " << shift;
    EXPECT_EQ(ReadProfileString(path, "t", "k0"), "") << "shift " << shift;
    // The streamed copy makes the same cut as the edit of the whole text.
    ASSERT_TRUE(WriteProfileString(path, "s", "k4", "new"));
    EXPECT_EQ(ReadBytes(path), SetProfileValue(content, "s", "k4", "new")) << "shift " << shift;
    // The same in UTF-16, with a surrogate pair in the comment cut by the
    // first piece's end (bytes 65534 to 65537).
    constexpr std::size_t kUnitsBeforePair = kPiece / 2 - 2;
    const std::string wide = Utf16(content.substr(0, kUnitsBeforePair)) + std::string("\x3D\xD8\x00\xDE", 4) +
                             Utf16(content.substr(kUnitsBeforePair)).substr(2);
    WriteBytes(path, wide);
    EXPECT_EQ(ReadProfileString(path, "s", "k7"), "v7") << "UTF-16, shift " << shift;
    ASSERT_TRUE(WriteProfileString(path, "s", "k4", "new"));
    EXPECT_EQ(ReadBytes(path), SetProfileValue(wide, "s", "k4", "new")) << "UTF-16, shift " << shift;
    EXPECT_EQ(ReadBytes(path)->substr(0, kPiece + 8), wide.substr(0, kPiece + 8)) << "UTF-16, shift " << shift;
  }
}

#ifndef _WIN32

TEST(ProfileFile, WriteCreatesTheFileAndKeepsItsPermissions) {
  ScratchFolder folder;
  const std::string path = folder / "kelto.ini";
  ASSERT_TRUE(WriteProfileString(path, "mainform", "top", "153"));
  EXPECT_EQ(ReadBytes(path), "[mainform]\ntop=153\n");

  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(WriteProfileString(path, "mainform", "top", "154"));
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadBytes(path), "[mainform]\ntop=154\n");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"kelto.ini"});
}

TEST(ProfileFile, WriteThroughALinkUpdatesTheTargetAndKeepsTheLink) {
  ScratchFolder folder;
  ASSERT_EQ(::mkdir((folder / "real").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((folder / "bin").c_str(), 0755), 0);
  WriteBytes(folder / "real/kelto.ini", "; mine\n[mainform]\ntop=1\n");
  ASSERT_EQ(::symlink("../real/kelto.ini", (folder / "bin/kelto.ini").c_str()), 0);

  ASSERT_TRUE(WriteProfileString(folder / "bin/kelto.ini", "mainform", "top", "153"));

  struct stat st;
  ASSERT_EQ(::lstat((folder / "bin/kelto.ini").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadBytes(folder / "real/kelto.ini"), "; mine\n[mainform]\ntop=153\n");
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"bin", "real"}));
}

// Every way a write can fail must leave the old bytes and no temporary file.
// The permission cases run in a child as "nobody" when the tests run as root,
// since root may write anywhere.
TEST(ProfileFile, FailedWriteLeavesTheOldFileAndNoTemporary) {
  const std::string old_bytes = "; keep me\n[mainform]\ntop=1\n" + std::string(200, '#') + "\n";
  auto existing_file = [&](ScratchFolder& f, bool child_owns_it, mode_t mode) {
    test_support::OpenToEveryone(f.path());
    if (child_owns_it) test_support::GiveToChildUser(f.path());
    WriteBytes(f / "kelto.ini", old_bytes);
    if (child_owns_it) test_support::GiveToChildUser(f / "kelto.ini");
    ::chmod((f / "kelto.ini").c_str(), mode);
    return f / "kelto.ini";
  };

  struct FailureCase {
    const char* what;
    std::function<std::string(ScratchFolder&)> prepare;  // returns the settings path
    ChildOptions options;
    const char* read_before;  // what a read of mainform/top gives in the child
    bool has_old_file;        // else nothing is at the path, or a directory
  };
  const std::vector<FailureCase> cases = {
      {"missing folder", [](ScratchFolder& f) { return f / "gone/kelto.ini"; }, {}, "", false},
      {"directory where the file should be",
       [](ScratchFolder& f) {
         ::mkdir((f / "kelto.ini").c_str(), 0755);
         return f / "kelto.ini";
       },
       {}, "", false},
      {"full disk (a file size limit below the new file's size)",
       [&](ScratchFolder& f) { return existing_file(f, false, 0644); }, {false, 64}, "1", true},
      {"new file in a read-only folder",
       [&](ScratchFolder& f) {
         ::chmod(f.path().c_str(), 0555);
         return f / "kelto.ini";
       },
       {true, std::nullopt}, "", false},
      {"read-only file in a read-only folder",
       [&](ScratchFolder& f) {
         std::string path = existing_file(f, true, 0444);
         ::chmod(f.path().c_str(), 0555);
         return path;
       },
       {true, std::nullopt}, "1", true},
      {"read-only file", [&](ScratchFolder& f) { return existing_file(f, true, 0444); }, {true, std::nullopt}, "1", true},
      {"unreadable file", [&](ScratchFolder& f) { return existing_file(f, true, 0200); }, {true, std::nullopt}, "", true},
  };

  for (const FailureCase& c : cases) {
    ScratchFolder folder;
    const std::string path = c.prepare(folder);
    const std::vector<std::string> names_before = folder.Names();

    test_support::ChildResult result = RunInChild(c.options, [&](std::string& report) {
      report = ReadProfileString(path, "mainform", "top");
      return WriteProfileString(path, "mainform", "top", "153") ? 1 : 0;
    });

    EXPECT_EQ(result.exit_code, 0) << c.what << ": the write must report failure";
    EXPECT_EQ(result.output, c.read_before) << c.what;
    // The old file may have been left unreadable on purpose: open it up to
    // compare.
    if (c.has_old_file) {
      ::chmod(path.c_str(), 0644);
      EXPECT_EQ(ReadBytes(path), old_bytes) << c.what;
    } else {
      EXPECT_EQ(ReadBytes(path), std::nullopt) << c.what;
    }
    EXPECT_EQ(folder.Names(), names_before) << c.what;
  }
}

// A file that may be written in a folder that may not (read-only, or sticky
// with the file another user's): no temporary file can take its place, so it
// is rewritten where it is; a size limit then fails before any byte changes.
TEST(ProfileFile, WritableFileInAFolderThatIsNotIsRewrittenInPlace) {
  const std::string old_bytes = "; mine\n[mainform]\ntop=1\n";
  const struct {
    const char* what;
    mode_t folder_mode;
    bool child_owns_file;             // else the file is another user's, mode 0666
    std::optional<rlim_t> size_limit;
    bool both_written;                // else the second write fails
    const char* expected;
  } cases[] = {
      {"read-only folder", 0555, true, std::nullopt, true, "; mine\n[mainform]\ntop=153\n[formmein]\nstay=0\n"},
      {"sticky folder", 01777, false, std::nullopt, true, "; mine\n[mainform]\ntop=153\n[formmein]\nstay=0\n"},
      // 30 bytes hold the first write (27 bytes) but not the second.
      {"read-only folder, size limit", 0555, true, 30, false, "; mine\n[mainform]\ntop=153\n"},
  };
  for (const auto& c : cases) {
    // Only root can hand the file to another user than the child.
    if (!c.child_owns_file && ::geteuid() != 0) continue;
    ScratchFolder folder;
    const std::string path = folder / "kelto.ini";
    test_support::OpenToEveryone(folder.path());
    WriteBytes(path, old_bytes);
    if (c.child_owns_file) test_support::GiveToChildUser(path);
    ASSERT_EQ(::chmod(path.c_str(), c.child_owns_file ? 0644 : 0666), 0);
    ASSERT_EQ(::chmod(folder.path().c_str(), c.folder_mode), 0);
    struct stat before, after;
    ASSERT_EQ(::stat(path.c_str(), &before), 0);

    test_support::ChildResult result = RunInChild({true, c.size_limit}, [&](std::string&) {
      return WriteProfileString(path, "mainform", "top", "153") && WriteProfileString(path, "formmein", "stay", "0")
                 ? 0
                 : 1;
    });
    EXPECT_EQ(result.exit_code, c.both_written ? 0 : 1) << c.what;
    EXPECT_EQ(ReadBytes(path), c.expected) << c.what;
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << c.what << ": the file was replaced, not rewritten";
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"kelto.ini"}) << c.what;
  }
}

// A writer killed in the middle of a save leaves its temporary file; the next
// save removes it, whatever process id its name carries (ids come back: here
// those of processes that run now), but never the file a live writer holds,
// nor another file's.
TEST(ProfileFile, WriteRemovesTemporariesThatNoLiveWriterHolds) {
  ScratchFolder folder;
  const std::string held = ".kelto.ini." + std::to_string(::getppid()) + ".0.tmp";
  int ready[2], done[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(done), 0);
  // A writer in the middle of its save: holds its temporary file until told.
  const pid_t writer = test_support::StartChild([&] {
    ::close(done[1]);
    const int fd = ::open((folder / held).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0 || ::flock(fd, LOCK_EX) != 0 || ::write(ready[1], "r", 1) != 1) return 1;
    char ignored;
    return ::read(done[0], &ignored, 1) == 0 ? 0 : 2;
  });
  ::close(ready[1]);
  ::close(done[0]);
  char signal;
  ASSERT_EQ(::read(ready[0], &signal, 1), 1);
  const std::vector<std::string> leftovers = {".kelto.ini." + std::to_string(::getpid()) + ".0.tmp",
                                              ".kelto.ini." + std::to_string(writer) + ".7.tmp"};
  for (const std::string& name : leftovers) WriteBytes(folder / name, "[half");
  WriteBytes(folder / (".other.ini." + std::to_string(writer) + ".0.tmp"), "[half");

  ASSERT_TRUE(WriteProfileString(folder / "kelto.ini", "s", "k", "1"));
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{held, ".other.ini." + std::to_string(writer) + ".0.tmp",
                                                      "kelto.ini"}));
  // Once the writer has ended, its file is a leftover like any other.
  ::close(done[1]);
  EXPECT_EQ(test_support::WaitForChild(writer), 0);
  ASSERT_TRUE(WriteProfileString(folder / "kelto.ini", "s", "k", "2"));
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{".other.ini." + std::to_string(writer) + ".0.tmp", "kelto.ini"}));
  ::close(ready[0]);
}

TEST(ProfileFile, ReadsLinkTextsLongerThanAnyFixedBuffer) {
  ScratchFolder folder;
  std::string target = "/";
  while (target.size() < 3000) target += "a-rather-long-folder-name/";
  target += "kelto";
  ASSERT_EQ(::symlink(target.c_str(), (folder / "link").c_str()), 0);
  EXPECT_EQ(ReadSymlink(folder / "link"), target);
  EXPECT_EQ(ReadSymlink(folder.path()), std::nullopt);  // not a link
}

// Two copies of the program writing the same file at the same moment: each
// write is a read-modify-write of the whole file, so without the lock one
// copy's key could be lost; without the rename a reader could see half a file.
// Exit code 2 of a writer: its own key lost a value; 1: a write failed.
TEST(ProfileFile, TwoWritersAtOnceLoseNoKeyAndNeverTearTheFile) {
  ScratchFolder folder;
  const std::string path = folder / "kelto.ini";
  constexpr int kWrites = 200;
  // Both writers wait at this gate until the parent closes it, so that their
  // writes really overlap.
  int gate[2];
  ASSERT_EQ(::pipe(gate), 0);
  auto writer = [&](const char* key) {
    return [&, key] {
      ::close(gate[1]);
      char ignored;
      if (::read(gate[0], &ignored, 1) != 0) return 3;
      for (int i = 0; i < kWrites; ++i) {
        // Only this writer writes its key: anything but its last value means
        // the other writer replaced the file from a stale read.
        if (i > 0 && ReadProfileString(path, "count", key) != std::to_string(i - 1)) return 2;
        if (!WriteProfileString(path, "count", key, std::to_string(i))) return 1;
      }
      return 0;
    };
  };
  const pid_t first = test_support::StartChild(writer("first"));
  const pid_t second = test_support::StartChild(writer("second"));
  ::close(gate[0]);
  ::close(gate[1]);
  // Meanwhile the parent keeps reading: once the file exists, every read must
  // see a whole file.
  std::vector<std::string> torn;
  bool seen = false;
  for (int i = 0; i < 3000; ++i) {
    std::string bytes = ReadBytes(path).value_or("");
    if (bytes.empty() && !seen) continue;
    seen = true;
    if (bytes.rfind("[count]\n", 0) != 0 || bytes.back() != '\n') torn.push_back(bytes);
  }
  EXPECT_EQ(test_support::WaitForChild(first), 0);
  EXPECT_EQ(test_support::WaitForChild(second), 0);
  EXPECT_TRUE(torn.empty()) << torn.size() << " torn reads, e.g. \"" << (torn.empty() ? "" : torn.front()) << "\"";
  EXPECT_EQ(ReadProfileString(path, "count", "first"), std::to_string(kWrites - 1));
  EXPECT_EQ(ReadProfileString(path, "count", "second"), std::to_string(kWrites - 1));
  std::string bytes = ReadBytes(path).value_or("");
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 3) << bytes;
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"kelto.ini"});
}
#endif  // POSIX

}  // namespace
}  // namespace numira
