// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "win32/platform.h"

#include <cstring>
#include <cwchar>

#include "win32/wide_text.h"

namespace numira::win32 {

void SetWindowTopmost(HWND window, bool topmost) {
  // Activation is not suppressed: SWP_NOMOVE | SWP_NOSIZE only.
  SetWindowPos(window, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void SetToolWindowStyle(HWND window, bool tool_window) {
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_EXSTYLE);
  SetWindowLongPtrW(window, GWL_EXSTYLE, tool_window ? style | WS_EX_TOOLWINDOW : style & ~LONG_PTR{WS_EX_TOOLWINDOW});
}

HFONT CreateWindowsFont(const layout::FontSpec& font) {
  LOGFONTW logfont{};
  logfont.lfHeight = -font.pixel_height;  // negative: the character height, not the cell
  logfont.lfCharSet = SHIFTJIS_CHARSET;
  logfont.lfQuality = DEFAULT_QUALITY;
  const std::wstring face = Wide(font.face);
  wcsncpy(logfont.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return CreateFontIndirectW(&logfont);
}

namespace {

ScreenRect RectOf(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFO info{};
  info.cbSize = sizeof info;  // 40 bytes
  if (GetMonitorInfoW(monitor, &info)) {
    // LPARAM carries the list through the enumeration's callback.
    auto& monitors = *reinterpret_cast<std::vector<Monitor>*>(list);
    const Monitor found{RectOf(info.rcMonitor), RectOf(info.rcWork)};
    if (info.dwFlags & MONITORINFOF_PRIMARY) {
      monitors.insert(monitors.begin(), found);
    } else {
      monitors.push_back(found);
    }
  }
  return TRUE;
}

}  // namespace

std::vector<Monitor> DisplayMonitors() {
  std::vector<Monitor> monitors;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  if (monitors.empty()) {
    const ScreenRect screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    monitors.push_back({screen, screen});
  }
  return monitors;
}

HBITMAP CreateGlyphBitmap(const XpmImage& glyph, COLORREF face) {
  constexpr int kSize = 16;
  if (glyph.width < kSize || glyph.height < kSize) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kSize;
  info.bmiHeader.biHeight = -kSize;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr) return nullptr;
  const auto transparent = glyph.At(0, glyph.height - 1);
  const std::uint32_t face_rgb = (std::uint32_t{GetRValue(face)} << 16) | (std::uint32_t{GetGValue(face)} << 8) |
                                 GetBValue(face);
  auto* out = static_cast<std::uint32_t*>(bits);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const auto pixel = glyph.At(x, y);
      out[y * kSize + x] = (!pixel || pixel == transparent) ? face_rgb : *pixel;  // 0x00RRGGBB is BGRA in memory
    }
  }
  return bitmap;
}

HICON LoadApplicationIcon(int size) {
  // Resource 1 of the exe (kelto.rc), made at build time from the pictures
  // drawn for 16, 24, 32 and 48 pixels.
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size,
                                       LR_DEFAULTCOLOR));
}

void ShowErrorBox(HWND owner, const std::string& caption, const std::string& text) {
  MessageBoxW(owner, Wide(text).c_str(), Wide(caption).c_str(), MB_ICONSTOP | MB_OK);
}

void CopyTextToClipboard(HWND owner, const std::wstring& text) {
  if (!OpenClipboard(owner)) return;
  EmptyClipboard();
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    // The clipboard owns the memory once it has taken it.
    if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) GlobalFree(memory);
  }
  CloseClipboard();
}

std::wstring ClipboardUnicodeText(HWND owner) {
  std::wstring text;
  if (!OpenClipboard(owner)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* characters = static_cast<const wchar_t*>(GlobalLock(data))) {
      // Up to its closing NUL, and never past the memory block, whatever the
      // program that put it there wrote.
      text.assign(characters, wcsnlen(characters, GlobalSize(data) / sizeof(wchar_t)));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  const int length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

void SetClientSize(HWND window, int width, int height) {
  RECT outer{0, 0, width, height};
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  const auto ex_style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
  AdjustWindowRectEx(&outer, style, FALSE, ex_style);
  SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace numira::win32
