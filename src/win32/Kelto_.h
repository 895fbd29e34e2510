// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Kelto_ (Win32): the main window `Form1` (class TForm1), built from the
// keypad table (ui/keypad_layout.h) as plain Win32 controls: the display
// field, twenty push buttons, two glyph buttons and the check box on the
// painted keypad panel `Panel1`, the history panel `Memo1` in `Panel2`.
// Buttons and keys go to the engine through the tape; the message loop hands
// every key to PreviewKey before the focused control (Kelto_keys.cpp).
//
// The window is also the program's frame (Kelto_window_state.cpp): its create
// handler adds the tray icon, loads the settings and shows the window; every
// show applies z-order and view and clears the engine; every close request
// (and the end of the session) stores the settings first and is refused
// when that fails.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/calc.h"
#include "core/tape.h"
#include "ui/keypad_layout.h"
#include "win32/TaskTrayMini.h"

namespace numira::win32 {

class TForm1 : public EngineSurroundings, public HistoryObserver {
 public:
  // A hidden window owned by application_window, client 437 x 208.
  explicit TForm1(HWND application_window);
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // The program's main window: constructed, then FormCreate (an error in it
  // is reported, and the window is shown all the same).
  static std::unique_ptr<TForm1> Create(HWND application_window);

  HWND Handle() const { return window_; }
  bool StayOnTop() const { return stay_on_top_; }
  bool StandardView() const { return standard_view_; }

  // Adds the tray icon, loads the settings and shows the window.
  void FormCreate();
  // Every hidden -> visible: z-order (ticking the box to match), view mode,
  // cleared engine; the history stays.
  void FormShow();
  void ApplyViewMode();    // client 375 x 205 or 175 x 35
  void edhyoujClick();     // focus back to "="
  void edhyoujDblClick();  // flips the view mode, focus back to "="
  void CheckBox1Click();   // the always-on-top switch
  void BitBtn1Click();     // hides the window into the tray
  void BitBtn2Click();     // the readme window, modally; focus to BitBtn2
  void TaskTrayMini1MouseDown(TTaskTrayMini* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  // Stores the settings; a failing store throws and refuses the close.
  void FormCloseQuery(bool& CanClose);
  void FormDestroy();      // removes the tray icon

  void Perform(Action action);
  // Backspace, Home, Enter act (whatever modifiers); other keys do nothing.
  void FormKeyDown(WPARAM virtual_key);
  void FormKeyPress(wchar_t character);
  // Ctrl+C / Ctrl+Insert: the history panel's selection when it has the
  // focus and a selection, otherwise the display text.
  void CopyToClipboard();
  // The window's key preview, for every queued message: true when the key
  // is used up (focus movement, Enter on a push button, copy).
  bool PreviewKey(const MSG& message);

  // EngineSurroundings and HistoryObserver.
  std::string DisplayText() const override;
  void SetDisplayText(const std::string& text) override;
  void AppendDisplayText(std::string_view text) override;
  void SetApplicationTitle(const std::string& title) override;
  void FocusEquals() override;
  void LineAppended(std::string_view line) override;
  void LinesCleared() override;

  HWND edhyouj = nullptr;
  HWND btnwa = nullptr;
  HWND BitBtn1 = nullptr;
  HWND BitBtn2 = nullptr;
  HWND CheckBox1 = nullptr;
  HWND Memo1 = nullptr;
  std::unique_ptr<TTaskTrayMini> TaskTrayMini1;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK DisplayFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void BuildControls();
  void DockHistoryPanel();
  void PaintPanels();
  void Command(int id);
  HWND Control(std::string_view name) const;
  // The one place where an error that a handler lets through is caught and
  // shown in the error box. Returns whether the handler completed.
  bool RunHandler(const std::function<void()>& handler);
  void MoveFocus(HWND from, const std::vector<HWND>& order, bool forward);

  HWND application_window_;
  HWND window_ = nullptr;
  Calculator engine_{*this};
  Tape tape_{engine_, *this};
  bool stay_on_top_ = false;
  bool standard_view_ = true;
  std::string application_title_ = Tape::kInitialTitle;
  bool release_ends_double_click_ = false;
  std::size_t memo_lines_ = 0;
  WNDPROC display_field_proc_ = nullptr;
  HWND last_focus_ = nullptr;  // the focused control while the window is inactive
  HWND tooltips_ = nullptr;
  std::vector<HWND> controls_;      // one per keypad table row, in its order
  std::vector<HWND> keypad_order_;  // `Panel1`'s controls the arrow keys walk
  std::vector<HWND> tab_order_;
  std::vector<HFONT> fonts_;
  std::vector<HBITMAP> glyphs_;
  HICON tray_icon_ = nullptr;
};

}  // namespace numira::win32
