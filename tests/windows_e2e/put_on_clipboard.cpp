// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// put_on_clipboard.exe: puts its standard input (UTF-8) on the Windows
// clipboard as text, reads it back, and exits 0 only when it is there.
//
// The Windows end-to-end scenarios put their texts on the clipboard from
// the Windows side. An X program (xclip) would do it through Wine's bridge,
// a thread of the desktop process that takes a change of the X clipboard in
// whenever it gets to it; a Ctrl+C of kelto.exe that comes first is then
// overwritten by the older X text, and a Ctrl+V reads what was there
// before. A change made here is in place when this program ends, and comes
// before anything kelto.exe does next.
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
