// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "win32/helupu_.h"

#include <algorithm>
#include <string>

#include "ui/keypad_layout.h"
#include "ui/readme_text.h"
#include "win32/message_loop.h"
#include "win32/platform.h"
#include "win32/wide_text.h"

namespace numira::win32 {

TFormvajon* Formvajon = nullptr;

namespace {

constexpr wchar_t kReadmeClass[] = L"TFormvajon";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
constexpr int kDesignDpi = 96;
constexpr int kDesignTextHeight = 15;
constexpr int kDesignClientWidth = 526;
constexpr int kDesignClientHeight = 539;

// a * b / c rounded to the nearest integer, halves away from zero (all
// positive here).
int ScaleRounded(int a, int b, int c) { return static_cast<int>((2LL * a * b + c) / (2LL * c)); }

RECT MonitorRectOf(HWND window) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
  return info.rcMonitor;
}

}  // namespace

TFormvajon::TFormvajon(HWND application_window) {
  static const ATOM registered = [] {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = WindowProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    window_class.lpszClassName = kReadmeClass;
    return RegisterClassW(&window_class);
  }();
  (void)registered;

  // Scaled once, here: the font follows the screen's resolution, the client
  // area the text height the font really has.
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  font_ = CreateWindowsFont({"ＭＳ Ｐゴシック", ScaleRounded(kDesignTextHeight, dpi, kDesignDpi)});
  HGDIOBJ previous = SelectObject(screen, font_);
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen, &metrics);
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  const int text_height = metrics.tmHeight - metrics.tmInternalLeading;
  RECT outer{0, 0, kDesignClientWidth, kDesignClientHeight};
  if (text_height > 0 && text_height != kDesignTextHeight) {
    outer.right = ScaleRounded(kDesignClientWidth, text_height, kDesignTextHeight);
    outer.bottom = ScaleRounded(kDesignClientHeight, text_height, kDesignTextHeight);
  }
  const int client_width = outer.right, client_height = outer.bottom;
  AdjustWindowRectEx(&outer, kStyle, FALSE, kExStyle);

  window_ = CreateWindowExW(kExStyle, kReadmeClass, L"Numira", kStyle, 0, 0, outer.right - outer.left,
                            outer.bottom - outer.top, application_window, nullptr, GetModuleHandleW(nullptr), this);
  // Unwrapped lines (the horizontal scroll bar reaches the long ones),
  // read-only yet selectable; the only tab stop, so it has the focus.
  Memo1 = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                              ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL,
                          0, 0, client_width, client_height, window_, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(Memo1, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  std::string text;
  for (const char* line : ReadmeText()) text += (text.empty() ? "" : "\r\n") + std::string(line);
  SetWindowTextW(Memo1, Wide(text).c_str());
}

TFormvajon::~TFormvajon() {
  DestroyWindow(window_);
  DeleteObject(font_);
}

LRESULT CALLBACK TFormvajon::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto* form = reinterpret_cast<TFormvajon*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_CLOSE:
      // Closing only hides the window and ends the modal run. The main
      // window takes input again before this one goes, so it is the one
      // that becomes active.
      if (form != nullptr && form->open_) {
        EnableWindow(form->modal_owner_, TRUE);
        form->open_ = false;
      }
      ShowWindow(window, SW_HIDE);
      return 0;
    case WM_CTLCOLORSTATIC:
      // The read-only text on the window background, in the window-text colour.
      SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && form != nullptr) SetFocus(form->Memo1);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void TFormvajon::Place(HWND main_window) {
  RECT frame{};
  GetWindowRect(window_, &frame);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const RECT target = MonitorRectOf(main_window);
  int left = frame.left, top = frame.top;
  if (!opened_before_) {
    // Each half of the free space rounded toward zero.
    left = target.left + (target.right - target.left - width) / 2;
    top = target.top + (target.bottom - target.top - height) / 2;
  } else if (MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST) !=
             MonitorFromWindow(main_window, MONITOR_DEFAULTTONEAREST)) {
    const RECT current = MonitorRectOf(window_);
    left = std::min<int>(target.left + (frame.left - current.left), target.right - width);
    top = std::min<int>(target.top + (frame.top - current.top), target.bottom - height);
  }
  SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  opened_before_ = true;
}

void TFormvajon::ShowModalFor(HWND main_window) {
  if (open_) return;
  Place(main_window);
  modal_owner_ = main_window;
  open_ = true;
  EnableWindow(main_window, FALSE);
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  SetFocus(Memo1);
  MSG message{};
  while (open_) {
    if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
      // The program is ending: leave the modal run, and let the main loop
      // see the quit too.
      EnableWindow(main_window, TRUE);
      ShowWindow(window_, SW_HIDE);
      open_ = false;
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    DispatchQueuedMessage(message);
  }
}

}  // namespace numira::win32
