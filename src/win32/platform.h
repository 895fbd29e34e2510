// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The Win32 calls behind the main window's frame: z-order, the application
// window's tool-window style, fonts by their Windows names, the monitors,
// the glyph bitmaps and icons, the error box and the clipboard.

#include <windows.h>

#include <string>
#include <vector>

#include "ui/keypad_layout.h"
#include "ui/screen.h"
#include "win32/xpm_image.h"

namespace numira::win32 {

// SetWindowPos with HWND_TOPMOST or HWND_NOTOPMOST, SWP_NOMOVE | SWP_NOSIZE.
void SetWindowTopmost(HWND window, bool topmost);

// Reads the window's extended style and writes it back with WS_EX_TOOLWINDOW
// added (or taken away), all other bits kept: the taskbar does not list a
// tool window.
void SetToolWindowStyle(HWND window, bool tool_window);

// The face at its character height in pixels (a negative LOGFONT height),
// Japanese character set. The caller deletes it.
HFONT CreateWindowsFont(const layout::FontSpec& font);

// Every monitor's full rectangle (rcMonitor) and work area (rcWork), the
// primary one first, the others in the order EnumDisplayMonitors reports
// them; the primary screen (0, 0, SM_CXSCREEN, SM_CYSCREEN) when it reports
// none.
std::vector<Monitor> DisplayMonitors();

// The 16 x 16 left half of a 32 x 16 glyph as a bitmap for a push button;
// transparent pixels (the bottom-left colour) take the colour `face`.
HBITMAP CreateGlyphBitmap(const XpmImage& glyph, COLORREF face);

// The application icon from the exe's resources at the given size.
HICON LoadApplicationIcon(int size);

// The general error box: stop icon, OK button, `caption` (the application
// title) as caption, `text` as shown.
void ShowErrorBox(HWND owner, const std::string& caption, const std::string& text);

// Puts the text on the clipboard as Unicode text.
void CopyTextToClipboard(HWND owner, const std::wstring& text);
// The clipboard's Unicode text; empty when it has none or cannot be opened.
std::wstring ClipboardUnicodeText(HWND owner);

// The window's text.
std::wstring WindowText(HWND window);

// Changes the window's outer size so its client area is width x height, for
// its own style (fixed dialog frame, no menu).
void SetClientSize(HWND window, int width, int height);

}  // namespace numira::win32
