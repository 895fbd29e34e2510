// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "win32/TaskTrayMini.h"

#include <algorithm>

#include "win32/message_loop.h"
#include "win32/wide_text.h"

namespace numira::win32 {
namespace {

constexpr wchar_t kCallbackClass[] = L"TMyCallback";

// The shell's record here is the ANSI NOTIFYICONDATA of the first shell
// version: its 64-byte tip and the fields before it, with 64-bit handles
// (152 bytes on x64, where the 88-byte layout of 32-bit handles cannot be).
constexpr DWORD kRecordSize = NOTIFYICONDATAA_V1_SIZE;
static_assert(sizeof(NOTIFYICONDATAA{}.szTip) >= kTipBytes);

LRESULT CALLBACK CallbackWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // The module travels in the creation parameter and stays with the window.
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto* module = reinterpret_cast<TrayModule*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case kTrayCallbackMessage:
      if (module != nullptr) module->Dispatch(wParam, lParam);
      return 0;
    case WM_DESTROY:
      if (module != nullptr) module->CallbackWindowDestroyed(window);
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The tip in the system's ANSI code page, which the record's szTip holds.
std::string AnsiText(const std::string& utf8) {
  const std::wstring wide = Wide(utf8);
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), size, ansi.data(), length, nullptr, nullptr);
  return ansi;
}

// Shell_NotifyIconA, from shell32.dll loaded at the first icon change
// rather than with the program: the shell library and the two it brings
// (shlwapi, shcore) are then no part of the start before the window shows.
// Null when the system has none.
using NotifyIconCall = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAA);
NotifyIconCall ShellNotifyIcon() {
  static const NotifyIconCall call = [] {
    HMODULE shell = LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // GetProcAddress gives a general FARPROC; the export has this signature.
    return shell == nullptr ? nullptr
                            : reinterpret_cast<NotifyIconCall>(
                                  reinterpret_cast<void*>(GetProcAddress(shell, "Shell_NotifyIconA")));
  }();
  return call;
}

}  // namespace

HWND TMyCallback::Create(HWND owner, TrayModule& module) {
  static const ATOM registered = [] {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = CallbackWindowProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = kCallbackClass;
    return RegisterClassW(&window_class);
  }();
  (void)registered;
  return CreateWindowExW(0, kCallbackClass, L"", WS_CHILD, 0, 0, 0, 0, owner, nullptr,
                         GetModuleHandleW(nullptr), &module);
}

HWND TrayModule::CallbackWindowFor(HWND owner) {
  if (callback_window_ == nullptr) callback_window_ = TMyCallback::Create(owner, *this);
  return callback_window_;
}

void TrayModule::CallbackWindowDestroyed(HWND window) {
  if (callback_window_ == window) callback_window_ = nullptr;
}

void TrayModule::Dispatch(WPARAM wParam, LPARAM lParam) {
  if (TTaskTrayMini* component = registry_.Find(wParam)) component->HandleMouseMessage(lParam);
}

TTaskTrayMini::TTaskTrayMini(HWND owner, TrayModule& module)
    : owner_(owner), module_(module), icon_id_(module.Register(this)), icon_data_(new NOTIFYICONDATAA{}) {
  module_.CallbackWindowFor(owner_);
  icon_data_->cbSize = kRecordSize;
  icon_data_->uCallbackMessage = kTrayCallbackMessage;
  icon_data_->uID = static_cast<UINT>(icon_id_);
}

TTaskTrayMini::~TTaskTrayMini() { module_.Forget(icon_id_); }

void TTaskTrayMini::SetIcon(std::uint8_t action, HICON icon, const std::string& tip) {
  NOTIFYICONDATAA& record = *icon_data_;
  record.cbSize = kRecordSize;
  record.hWnd = module_.CallbackWindowFor(owner_);
  record.uID = static_cast<UINT>(icon_id_);
  record.uFlags = kNifMessage | kNifIcon | kNifTip;
  record.hIcon = icon;
  record.uCallbackMessage = kTrayCallbackMessage;
  char tip_bytes[kTipBytes];
  CopyTip(tip_bytes, AnsiText(tip));
  std::copy(std::begin(tip_bytes), std::end(tip_bytes), record.szTip);

  const NotifyIconCall notify = ShellNotifyIcon();
  if (notify == nullptr) return;
  switch (action) {
    case kTrayAdd: notify(NIM_ADD, &record); break;
    case kTrayModify: notify(NIM_MODIFY, &record); break;
    case kTrayDelete: notify(NIM_DELETE, &record); break;
    default: break;
  }
}

void TTaskTrayMini::HandleMouseMessage(LPARAM lParam) {
  // The position is the cursor's now, not one carried by the message.
  POINT cursor{};
  GetCursorPos(&cursor);
  HWND owner = owner_;
  if (lParam == kRightButtonUp) {
    HMENU menu = PopupMenuR;
    if (menu == nullptr || !IsMenu(menu)) return;
    SetForegroundWindow(owner);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, owner, nullptr);
    ProcessWaitingMessages();
    return;
  }
  FireTrayMouseEvent(*this, lParam, cursor.x, cursor.y, [owner] { SetForegroundWindow(owner); },
                     [] { ProcessWaitingMessages(); });
}

}  // namespace numira::win32
