// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "win32/application_window.h"

#include "win32/wide_text.h"

namespace numira::win32 {

HWND CreateApplicationWindow(const char* title) {
  static const ATOM registered = [] {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"TApplication";
    return RegisterClassW(&window_class);
  }();
  (void)registered;
  return CreateWindowExW(0, L"TApplication", Wide(title).c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 0,
                         nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

}  // namespace numira::win32
