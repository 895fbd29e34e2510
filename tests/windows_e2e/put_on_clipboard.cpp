// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// put_on_clipboard.exe: puts its standard input (UTF-8) on the Windows
// clipboard as text, reads it back, and exits 0 only when it is there: the
// Windows end-to-end scenarios' texts are then in place before kelto.exe's
// next key (why not xclip: put_on_clipboard in tests/windows_e2e/harness.sh).
#include <windows.h>

#include <cstdio>
#include <string>

#include "win32/platform.h"
#include "win32/wide_text.h"

int main() {
  std::string utf8;
  char buffer[4096];
  DWORD read = 0;
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  while (ReadFile(input, buffer, sizeof buffer, &read, nullptr) && read > 0) utf8.append(buffer, read);

  // EmptyClipboard makes the window that opened the clipboard its owner;
  // without a window SetClipboardData would fail.
  const HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  const std::wstring text = numira::win32::Wide(utf8);
  numira::win32::CopyTextToClipboard(owner, text);
  if (numira::win32::ClipboardUnicodeText(owner) != text) {
    std::fputs("put_on_clipboard: the text did not reach the clipboard\n", stderr);
    return 1;
  }
  return 0;
}
