// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The floor for kelto.exe's start-up under Wine: a bare Win32 window of the
// same client size (437 x 208) and frame, with nothing in it.

#include <windows.h>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.lpszClassName = L"BareWindow";
  RegisterClassW(&window_class);
  constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  RECT outer{0, 0, 437, 208};
  AdjustWindowRectEx(&outer, kStyle, FALSE, WS_EX_DLGMODALFRAME);
  HWND window = CreateWindowExW(WS_EX_DLGMODALFRAME, L"BareWindow", L"Bare Win32 window", kStyle, 0, 0,
                                outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, instance,
                                nullptr);
  ShowWindow(window, SW_SHOW);
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
