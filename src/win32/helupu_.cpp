// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "win32/helupu_.h"

#include <string>
#include <vector>

#include "ui/helupu_.h"
#include "ui/readme_text.h"
#include "win32/message_loop.h"
#include "win32/platform.h"
#include "win32/wide_text.h"

namespace numira::win32 {

namespace {

constexpr wchar_t kReadmeClass[] = L"TFormvajon";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

ScreenRect RectOf(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

RECT WindowRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

// The height of the font's characters (the cell without its internal
// leading), as the font system really makes it.
int TextHeight(HFONT font) {
  HDC screen = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(screen, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen, &metrics);
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  return metrics.tmHeight - metrics.tmInternalLeading;
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

  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  ScaleFor(dpi);
  const ScreenSize frame = FrameSize(dpi);
  window_ = CreateWindowExW(kExStyle, kReadmeClass, Wide(readme::kCaption).c_str(), kStyle, 0, 0,
                            client_.width + frame.width, client_.height + frame.height, application_window, nullptr,
                            GetModuleHandleW(nullptr), this);
  // Unwrapped lines (the horizontal scroll bar reaches the long ones),
  // read-only yet selectable; the only tab stop, so it has the focus. It
  // fills the client area from here on (WM_SIZE).
  RECT client{};
  GetClientRect(window_, &client);
  Memo1 = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                              ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL,
                          0, 0, client.right, client.bottom, window_, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(Memo1, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  CopyWaitsForClipboard(Memo1);
  std::string text;
  for (const char* line : ReadmeText()) text += (text.empty() ? "" : "\r\n") + std::string(line);
  SetWindowTextW(Memo1, Wide(text).c_str());
}

TFormvajon::~TFormvajon() {
  DestroyWindow(window_);
  DeleteObject(font_);
}

void TFormvajon::ScaleFor(int dpi) {
  HFONT previous = font_;
  font_ = CreateWindowsFont({readme::kDesignFont.face, readme::FontHeight(dpi)});
  const int text_height = TextHeight(font_);
  client_ = readme::ClientSize(text_height > 0 ? text_height : readme::kDesignFont.pixel_height);
  if (Memo1 != nullptr) SendMessageW(Memo1, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  if (previous != nullptr) DeleteObject(previous);
}

ScreenSize TFormvajon::FrameSize(int dpi) const {
  RECT outer{0, 0, 0, 0};
  AdjustWindowRectExForDpi(&outer, kStyle, FALSE, kExStyle, static_cast<UINT>(dpi));
  return {outer.right - outer.left, outer.bottom - outer.top};
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
    case WM_SIZE:
      // The text field fills the client area, so every line and both scroll
      // bars lie inside the window, whatever size it was given.
      if (form != nullptr && form->Memo1 != nullptr && wParam != SIZE_MINIMIZED) {
        MoveWindow(form->Memo1, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      }
      return 0;
    case WM_DPICHANGED:
      // Moved onto a monitor of another resolution, or the resolution changed:
      // scaled again, at the place the system suggests.
      if (form != nullptr) form->ResolutionChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
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
  const RECT outer = WindowRect(window_);
  RECT client{};
  GetClientRect(window_, &client);
  const ScreenSize frame_size{outer.right - outer.left - client.right, outer.bottom - outer.top - client.bottom};
  const std::vector<Monitor> monitors = DisplayMonitors();
  const readme::Placement placement = readme::OpeningPlacement(!opened_before_, RectOf(outer), client_, frame_size,
                                                               RectOf(WindowRect(main_window)), monitors);
  const ScreenRect& frame = placement.frame;
  SetWindowPos(window_, nullptr, frame.left, frame.top, frame.Width(), frame.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  opened_before_ = true;
}

void TFormvajon::ResolutionChanged(int dpi, const RECT& suggested) {
  ScaleFor(dpi);
  const std::vector<Monitor> monitors = DisplayMonitors();
  const ScreenRect frame = readme::FittedPlacement(RectOf(suggested), client_, FrameSize(dpi), monitors).frame;
  SetWindowPos(window_, nullptr, frame.left, frame.top, frame.Width(), frame.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
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

bool TFormvajon::OpenAndMinimized() const { return open_ && IsIconic(window_); }

void TFormvajon::BringBack() {
  if (!open_) return;
  if (IsIconic(window_)) ShowWindow(window_, SW_RESTORE);
  SetForegroundWindow(window_);
}

}  // namespace numira::win32
