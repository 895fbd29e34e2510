// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The Windows program's clipboard calls while another program has the
// clipboard open: a copy or a paste waits until it is closed again instead of
// being dropped, also when that program is itself waiting on a window of this
// one, and an edit control's own copy does the same.

#include <windows.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "win32/platform.h"

namespace numira::win32 {
namespace {

HWND MessageWindow(const wchar_t* window_class = L"STATIC") {
  return CreateWindowExW(0, window_class, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

// Answers the messages other threads send to this one until `done` is set.
void AnswerSentMessagesUntil(HANDLE done) {
  while (MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_SENDMESSAGE) != WAIT_OBJECT_0) {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

// Another program's thread: opens the clipboard with a window of its own and
// tells the test so; then, once this test's thread answers a message it sends
// (so only while the call under test is waiting), it either takes the
// clipboard over with its own text (EmptyClipboard tells the previous owner,
// a window of the test's thread, and waits for the answer) or merely closes
// it again.
struct Holder {
  HWND test_window;
  const wchar_t* text;  // nullptr: only holds the clipboard open
  HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  bool held = false;

  static DWORD WINAPI Run(void* parameter) {
    auto* holder = static_cast<Holder*>(parameter);
    HWND own = MessageWindow();
    if (OpenClipboard(own)) {
      holder->held = true;
      SetEvent(holder->opened);
      if (holder->text != nullptr) {
        EmptyClipboard();
        CopyTextToClipboardWhileOpen(holder->text);
      } else {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(holder->test_window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
      }
      CloseClipboard();
    }
    SetEvent(holder->opened);
    DestroyWindow(own);
    SetEvent(holder->done);
    return 0;
  }
  static void CopyTextToClipboardWhileOpen(const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
  }
};

// Runs `call` on this thread while a Holder has the clipboard open.
template <typename Call>
void WhileHeld(HWND test_window, const wchar_t* holder_text, Call call) {
  Holder holder{test_window, holder_text};
  HANDLE thread = CreateThread(nullptr, 0, &Holder::Run, &holder, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(holder.opened, INFINITE);
  EXPECT_TRUE(holder.held) << "the other thread could not open the clipboard";
  if (holder.held) call();
  AnswerSentMessagesUntil(holder.done);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  CloseHandle(holder.opened);
  CloseHandle(holder.done);
}

TEST(Clipboard, CopyAndPasteWaitWhileAnotherProgramHasItOpen) {
  enum class Operation { Copy, Paste, EditControlCopy };
  struct Case {
    const char* what;
    const wchar_t* holder_text;
    Operation operation;
    std::wstring expected;  // on the clipboard afterwards, or pasted
  };
  const Case cases[] = {
      {"a copy while the clipboard is held open", nullptr, Operation::Copy, L"12.5"},
      {"a copy while it is taken from this program", L"345", Operation::Copy, L"12.5"},
      {"a paste while it is taken from this program", L"345", Operation::Paste, L"345"},
      {"an edit control's copy while it is held open", nullptr, Operation::EditControlCopy, L"+12.5"},
  };
  HWND window = MessageWindow();
  HWND edit = MessageWindow(L"EDIT");
  ASSERT_NE(window, nullptr);
  ASSERT_NE(edit, nullptr);
  CopyWaitsForClipboard(edit);
  SetWindowTextW(edit, L"3\r\n+12.5");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // This program owns the clipboard, with text of its own.
    CopyTextToClipboard(window, L"before");
    ASSERT_EQ(ClipboardUnicodeText(window), L"before");
    std::wstring pasted;
    WhileHeld(window, c.holder_text, [&] {
      switch (c.operation) {
        case Operation::Copy: CopyTextToClipboard(window, L"12.5"); break;
        case Operation::Paste: pasted = ClipboardUnicodeText(window); break;
        case Operation::EditControlCopy:
          SendMessageW(edit, EM_SETSEL, 3, 8);
          SendMessageW(edit, WM_COPY, 0, 0);
          break;
      }
    });
    EXPECT_EQ(c.operation == Operation::Paste ? pasted : ClipboardUnicodeText(window), c.expected);
  }
  DestroyWindow(edit);
  DestroyWindow(window);
}

}  // namespace
}  // namespace numira::win32
