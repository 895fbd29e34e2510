// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Kelto_ (Win32): the main window `Form1` as plain Win32 controls.
// Form1Window builds the display field, twenty push buttons, two glyph
// buttons and the check box on the painted keypad panel `Panel1`, and the
// history panel `Memo1` in `Panel2`, from the control table
// (ui/keypad_layout.h); forwards their messages and the window's own (show,
// restore, close, the end of the session, destroy) to TForm1 (ui/Kelto_.h),
// which decides everything; and carries out what TForm1 asks through
// Form1View. The message loop hands every key to PreviewKey before the
// focused control (Kelto_keys.cpp).

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Kelto_.h"
#include "win32/TaskTrayMini.h"

namespace numira::win32 {

class TFormvajon;

// The main window as the settings see it: its outer rectangle.
class WindowFrame : public SettingsWindow {
 public:
  explicit WindowFrame(HWND window) : window_(window) {}
  std::int32_t Left() const override { return Rect().left; }
  std::int32_t Top() const override { return Rect().top; }
  std::int32_t OuterWidth() const override { return Rect().right - Rect().left; }
  std::int32_t OuterHeight() const override { return Rect().bottom - Rect().top; }
  void SetLeft(std::int32_t left) override { MoveTo(left, Top()); }
  void SetTop(std::int32_t top) override { MoveTo(Left(), top); }

 private:
  RECT Rect() const;
  void MoveTo(int left, int top);
  HWND window_;
};

class Form1Window : public Form1View {
 public:
  // A hidden window owned by application_window, client 437 x 208, its
  // tray icon in `tray` (which outlives it).
  Form1Window(HWND application_window, TrayModule& tray);
  ~Form1Window() override;
  Form1Window(const Form1Window&) = delete;
  Form1Window& operator=(const Form1Window&) = delete;

  HWND Handle() const { return window_; }
  TForm1& Form() { return form_; }
  // The readme window BitBtn2 opens; null: none (at the end of the program).
  void SetReadmeWindow(TFormvajon* readme) { readme_ = readme; }

  // The window's key preview, for every queued message: true when the key
  // is used up (focus movement, Enter on a push button, copy, paste).
  bool PreviewKey(const MSG& message);

  // Form1View.
  std::string DisplayText() const override;
  void SetDisplayText(const std::string& text) override;
  void AppendDisplayText(std::string_view text) override;
  void SetApplicationTitle(const std::string& title) override;
  void TapeLineAppended(std::string_view line) override;
  void TapeCleared() override;
  bool TapeHasSelection() const override;
  void CopyTapeSelection() override;
  void CopyText(const std::string& text) override;
  std::string ClipboardText() const override;
  void WarningSound() override;
  bool CheckBoxTicked() const override;
  void SetCheckBox(bool ticked) override;
  const layout::ControlSpec* FocusedControl() const override;
  void Focus(const layout::ControlSpec& control, FocusMove move) override;
  void SetClientSize(int width, int height) override;
  bool Visible() const override;
  bool Minimized() const override;
  void SetVisible(bool visible) override;
  void Minimize() override;
  void Restore() override;
  void BringToFront() override;
  void SetTopmost(bool topmost) override;
  SettingsWindow& Frame() override { return frame_; }
  std::vector<Monitor> Monitors() const override;
  bool NotificationAreaAvailable() const override;
  void KeepOffTaskbar(bool off) override;
  void SetTrayIcon(std::uint8_t action, std::string_view tip) override;
  void ShowErrorBox(const std::string& caption, const std::string& text) override;
  void ShowReadmeModal() override;
  bool ReadmeMinimized() const override;
  void RestoreReadme() override;

  HWND edhyouj = nullptr;
  HWND btnwa = nullptr;
  HWND Memo1 = nullptr;
  HWND CheckBox1 = nullptr;
  std::unique_ptr<TTaskTrayMini> TaskTrayMini1;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK DisplayFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void BuildControls();
  void AddHints();
  layout::DockedPanels Docked() const;
  void DockHistoryPanel();
  void PaintPanels();
  HWND ControlOf(const layout::ControlSpec& control) const;

  HWND application_window_;
  HWND window_ = nullptr;
  TForm1 form_{*this};
  WindowFrame frame_{nullptr};
  TFormvajon* readme_ = nullptr;
  bool minimized_ = false;
  std::size_t memo_lines_ = 0;
  WNDPROC display_field_proc_ = nullptr;
  HWND last_focus_ = nullptr;  // the focused control while the window is inactive
  HWND tooltips_ = nullptr;
  std::vector<HWND> controls_;  // one per row of the control table
  std::vector<HFONT> fonts_;
  std::vector<HBITMAP> glyphs_;
  HICON tray_icon_ = nullptr;
  // The icon the create handler asked for before the window was first shown.
  std::optional<std::string> tray_tip_after_show_;
  bool shown_once_ = false;
};

}  // namespace numira::win32
