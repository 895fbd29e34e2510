// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// helupu_ (Win32): the readme window `Formvajon` (class TFormvajon). A fixed
// dialog frame around one read-only multi-line edit, Memo1, holding the
// readme's 43 lines (ui/readme_text.h). Made hidden at start; each opening
// shows it modally, closing only hides it, so the text's scroll position and
// the window's place carry over. Its scaling and placing follow the rules of
// ui/helupu_.h: at creation and at every change of the screen's resolution
// (WM_DPICHANGED), and at each opening; Memo1 always fills the client area.

#include <windows.h>

#include "ui/screen.h"

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
  // returns when the user has closed it.
  void ShowModalFor(HWND main_window);

  // Whether the window is open and minimized; and the open window brought
  // back from a minimize and to the front (nothing while it is closed).
  bool OpenAndMinimized() const;
  void BringBack();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The font for a screen resolution, and the client size its text height asks for.
  void ScaleFor(int dpi);
  // What the frame and caption add to a client size at a resolution.
  ScreenSize FrameSize(int dpi) const;
  void Place(HWND main_window);
  void ResolutionChanged(int dpi, const RECT& suggested);

  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  ScreenSize client_;
  HWND modal_owner_ = nullptr;
  bool open_ = false;
  bool opened_before_ = false;
};

}  // namespace numira::win32
