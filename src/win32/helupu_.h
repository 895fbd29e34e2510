// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// helupu_ (Win32): the readme window `Formvajon` (class TFormvajon). A fixed
// dialog frame around one read-only multi-line edit, Memo1, holding the
// readme's 43 lines (ui/readme_text.h). Made hidden at start; each opening
// shows it modally, closing only hides it, so the text's scroll position and
// the window's place carry over. Unlike the main window it follows the
// screen's resolution: its font is 15 pixels at 96 dpi, scaled, and its
// client area (526 x 539 as designed) grows with the text height.

#include <windows.h>

namespace numira::win32 {

class TFormvajon {
 public:
  explicit TFormvajon(HWND application_window);
  ~TFormvajon();
  TFormvajon(const TFormvajon&) = delete;
  TFormvajon& operator=(const TFormvajon&) = delete;

  HWND Handle() const { return window_; }
  HWND Memo1 = nullptr;

  // Shows the window over main_window, which takes no input meanwhile, and
  // returns when the user has closed it. The first opening centres it on
  // the main window's monitor; later ones keep its place, moved onto the
  // main window's monitor (same offset, pulled inside) when that is another.
  void ShowModalFor(HWND main_window);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Place(HWND main_window);

  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  HWND modal_owner_ = nullptr;
  bool open_ = false;
  bool opened_before_ = false;
};

// The program's readme window, made hidden at start.
extern TFormvajon* Formvajon;

}  // namespace numira::win32
