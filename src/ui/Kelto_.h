// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Kelto_: the main window `Form1` (class TForm1), everything it decides,
// once for both front-ends: the two flags (always on top, standard view),
// the view modes, the routing of buttons and keys to the engine through the
// tape, the focus, the display field's click and double-click, the program's
// frame (create, show, hide into the tray and restore, the readme button,
// close and destroy) and the one place where a handler's error reaches the
// error box.
//
// A front-end (src/app for Qt, src/win32 for Win32) builds the native
// controls from the control table (ui/keypad_layout.h), implements the
// narrow window interface Form1View, forwards its native events to the
// handlers below and carries out what the interface asks. It decides
// nothing the other front-end decides too.
//
// Handlers are named after control and event, as the window describes them:
// edhyoujClick is the display field's click, FormKeyPress the window's typed
// character, BitBtn1Click the hide button's click, and so on. Every public
// handler runs under the error box: an error it lets through stops it and is
// shown (caption: the application title; text: the message with its closing
// "."), and the program goes on. FormCloseQuery alone lets its error out, so
// that a failed store refuses the close (CloseRequested shows it).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/calc.h"
#include "core/inifile_.h"
#include "core/tape.h"
#include "ui/keypad_layout.h"
#include "ui/screen.h"
#include "ui/tray_dispatch.h"

namespace numira {

// The keys the window's key handling tells apart. A front-end maps its own
// key codes onto them; every other key is Other. KeypadDecimal is the
// numeric keypad's decimal key, whatever character its layout gives it.
enum class Key { Other, Backspace, Home, Enter, Escape, Tab, Left, Up, Right, Down, Insert, C, V, KeypadDecimal };

// A key pressed, with the modifiers held.
struct KeyStroke {
  Key key = Key::Other;
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
};

// How the focus reaches a control: handed to it (a command gives it back to
// "="), or by walking forward or backward (Tab, the arrow keys). A toolkit
// may show a focus walked to by keys differently.
enum class FocusMove { Direct, Forward, Backward };

// What TForm1 asks of the native window. Each front-end implements it over
// its controls (named and placed by the control table) and its desktop.
class Form1View {
 public:
  virtual ~Form1View() = default;

  // The display field `edhyouj`: its text, shown from its start.
  virtual std::string DisplayText() const = 0;
  virtual void SetDisplayText(const std::string& text) = 0;
  virtual void AppendDisplayText(std::string_view text) = 0;
  // The application title, where the desktop shows the program's title.
  virtual void SetApplicationTitle(const std::string& title) = 0;

  // The history panel `Memo1`: the tape got one more line (appended, never
  // by setting the whole text again), or lost every line.
  virtual void TapeLineAppended(std::string_view line) = 0;
  virtual void TapeCleared() = 0;
  // Whether the panel has a selection, and putting it on the clipboard.
  virtual bool TapeHasSelection() const = 0;
  virtual void CopyTapeSelection() = 0;
  // Puts `text` on the clipboard.
  virtual void CopyText(const std::string& text) = 0;
  // The clipboard's text as UTF-8; empty when it holds no text.
  virtual std::string ClipboardText() const = 0;
  // The platform's warning sound, for a paste that enters nothing.
  virtual void WarningSound() = 0;

  // The check box `CheckBox1`. Setting it never runs its click handler:
  // TForm1 decides when that happens.
  virtual bool CheckBoxTicked() const = 0;
  virtual void SetCheckBox(bool ticked) = 0;

  // The control that has the keyboard focus (a row of the control table),
  // or nullptr when none of them has it; and moving the focus.
  virtual const layout::ControlSpec* FocusedControl() const = 0;
  virtual void Focus(const layout::ControlSpec& control, FocusMove move) = 0;

  // The window. SetClientSize changes the size and nothing else; the docked
  // panels follow it. A window that goes from hidden to visible (SetVisible,
  // or the desktop's doing) has the front-end call FormShow before it is
  // first drawn; one restored from a minimize has it call
  // RestoredFromMinimize.
  virtual void SetClientSize(int width, int height) = 0;
  virtual bool Visible() const = 0;
  virtual bool Minimized() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void Minimize() = 0;
  virtual void Restore() = 0;        // back from a minimize
  virtual void BringToFront() = 0;   // raised and given the input
  // The topmost z-order band (true) or the normal one, on the live window;
  // out of the topmost band, a window the window manager keeps below the
  // others (its own menu's choice) stays there.
  virtual void SetTopmost(bool topmost) = 0;
  // The window's outer frame as the settings load and store it.
  virtual SettingsWindow& Frame() = 0;
  virtual std::vector<Monitor> Monitors() const = 0;

  // The desktop: whether a notification area can hold the tray icon now;
  // keeping the program off the taskbar (true) or on it; the tray icon
  // `TaskTrayMini1` (SetIcon with the application icon: kTrayAdd,
  // kTrayModify, kTrayDelete); the general error box (modal, stop icon, OK).
  virtual bool NotificationAreaAvailable() const = 0;
  virtual void KeepOffTaskbar(bool off) = 0;
  virtual void SetTrayIcon(std::uint8_t action, std::string_view tip) = 0;
  virtual void ShowErrorBox(const std::string& caption, const std::string& text) = 0;

  // The readme window `Formvajon`: shown modally over this window, returning
  // when the user has closed it; whether it is open and minimized; and the
  // open window brought back from a minimize and to the front (nothing while
  // it is closed).
  virtual void ShowReadmeModal() = 0;
  virtual bool ReadmeMinimized() const = 0;
  virtual void RestoreReadme() = 0;
};

class TForm1 : public EngineSurroundings, public HistoryObserver {
 public:
  // The tip of the tray icon.
  static constexpr char kTrayTip[] = "Numira";

  // Over `view`, which must outlive it. The settings file is at
  // `settings_path`, or where this build keeps it (SettingsFilePath) when
  // that is empty. Nothing of the view is touched before Start.
  explicit TForm1(Form1View& view, std::string settings_path = {});
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;
  ~TForm1() override;

  // The program's start, once the native window is built: FormCreate, and
  // the window is visible afterwards even when FormCreate stopped before
  // showing it.
  void Start();
  // Once both windows exist: the program keeps off the taskbar while a
  // notification area can hold its icon (on Windows, the tool-window style
  // of the application window).
  void ProgramStarted();

  // The two flags. The settings load them before the first show and store
  // them at every close; every show applies them.
  bool StayOnTop() const { return stay_on_top_; }
  void SetStayOnTop(bool on) { stay_on_top_ = on; }
  bool StandardView() const { return standard_view_; }
  void SetStandardView(bool standard) { standard_view_ = standard; }

  // The application title: "電卓" at start, then each result text; the
  // error box's caption, distinct from the window's caption.
  const std::string& ApplicationTitle() const { return application_title_; }

  Calculator& Engine() { return engine_; }
  Tape& History() { return tape_; }

  // Client 375 x 205 for the standard view, 175 x 35 for the compact one
  // (height first, then width). Nothing else changes: controls outside the
  // client area stay where they are, so every key still works.
  void ApplyViewMode();

  // Adds the tray icon (tip "Numira"), loads the settings (position pulled
  // onto the monitors, then the two flags) and makes the window visible, so
  // FormShow runs before FormCreate returns.
  void FormCreate();
  // Every time the window goes from hidden to visible: z-order from the
  // always-on-top flag (ticking the check box to match: a change of the box
  // runs CheckBox1Click as a click would), the view mode, and a cleared
  // engine. The history keeps its lines.
  void FormShow();
  // A minimized window restored: a show like any other, and a minimized
  // readme window comes back with it.
  void RestoredFromMinimize();

  void edhyoujClick();     // focus back to "="
  void edhyoujDblClick();  // flips the view mode, focus back to "="
  // The always-on-top switch: the z-order band and the flag follow the box.
  // The focus stays on the box.
  void CheckBox1Click();
  // Hides the window into the tray; engine, display and history stay. The
  // taskbar entry follows the notification area; with none the window is
  // minimized to the taskbar instead, as a hidden window could not come back.
  void BitBtn1Click();
  // Opens the readme window modally; afterwards the focus is on BitBtn2.
  void BitBtn2Click();
  // A left press on the tray icon: hides a visible window, shows a hidden
  // (or restores a minimized) one, also while the readme window is open; a
  // minimized readme window comes back with it. Button, shift state and
  // position are not used.
  void TaskTrayMini1MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  // A close request: stores the settings and leaves CanClose true. A store
  // that fails throws SettingsWriteError, which refuses the close.
  void FormCloseQuery(bool& CanClose);
  // Removes the tray icon.
  void FormDestroy();

  // A click on a control of the control table: a keypad button performs its
  // action through the tape; BitBtn1, BitBtn2 and CheckBox1 run their
  // handlers.
  void ControlClicked(const layout::ControlSpec& control);
  // One action through the tape (what a keypad button's click does).
  void Perform(Action action);

  // The window's key preview: every key-down in the window, before the
  // focused control gets it. Returns whether the key is used up; a key that
  // is not goes on to the focused control (and gives its character to
  // FormKeyPress).
  //   Ctrl+C, Ctrl+Insert       copy (CopyToClipboard); used up
  //   Ctrl+V, Shift+Insert      paste (PasteFromClipboard); used up
  //   Tab, Shift+Tab            the next / previous tab stop, round; used up
  //   arrows on a keypad control the next (Right, Down) / previous control
  //                             of the keypad panel, round; used up
  //   plain Enter on a push button  presses it; used up
  //   keypad decimal key        the decimal point (no Ctrl, Alt); used up
  //   any other key             FormKeyDown; goes on
  bool KeyPreview(const KeyStroke& stroke);
  // Backspace, Home and Enter act (whatever modifiers are held); every other
  // key does nothing.
  void FormKeyDown(Key key);
  // A typed character: its action through the tape's key map.
  void FormKeyPress(char32_t character);
  // The history panel's selection when it has the focus and a selection,
  // otherwise the display text.
  void CopyToClipboard();
  // The number on the clipboard becomes the operand that typing would enter
  // next (Tape::Paste): no history line, the focus back to "=". A text that
  // is no number changes nothing, the focus included, and sounds the warning.
  void PasteFromClipboard();

  // The display field's mouse buttons: the first release of a click runs
  // edhyoujClick, a double-click edhyoujDblClick (and its closing release
  // nothing); another button's release hands the focus back to "=" (any
  // press focuses the field; it never keeps the focus).
  void DisplayFieldPressed();
  void DisplayFieldReleased(bool left_button);
  void DisplayFieldDoubleClicked();

  // A close request of the window (close box, window menu, Alt+F4):
  // FormCloseQuery, its error shown. Returns whether the window may close.
  bool CloseRequested();
  // The desktop session is ending: the same question. When the store fails
  // and may_show_error() allows it, the error box is shown and the answer is
  // false (keep the session, as a failed close keeps the window); with no
  // permission to show anything the session may end.
  bool QueryEndSession(const std::function<bool()>& may_show_error);
  // A notification area came or went: the taskbar entry follows it, and a
  // window hidden into a tray that went away is shown again, never lost.
  void NotificationAreaChanged();
  // The window manager put the window into the topmost band or took it out
  // (its own menu): flag and check box follow, and so the stored setting.
  void WindowManagerStaysOnTop(bool above);

  // EngineSurroundings: the display field, the application title and "=".
  std::string DisplayText() const override;
  void SetDisplayText(const std::string& text) override;
  void AppendDisplayText(std::string_view text) override;
  void SetApplicationTitle(const std::string& title) override;
  void FocusEquals() override;

  // HistoryObserver: `Memo1` follows the tape line by line.
  void LineAppended(std::string_view line) override;
  void LinesCleared() override;

 private:
  // The one place where an error that a handler lets through is caught and
  // shown. Returns whether the handler completed. may_report, when given, is
  // asked first; a no drops the report.
  bool RunHandler(const std::function<void()>& handler, const std::function<bool()>& may_report = {});
  std::string SettingsPath() const;
  // Moves the focus from `from` to the next or previous control of `order`,
  // round; from a control outside it, to its first or last.
  void WalkFocus(const layout::ControlSpec* from, const std::vector<const layout::ControlSpec*>& order,
                 bool forward);

  Form1View& view_;
  std::string settings_path_;
  Calculator engine_{*this};
  Tape tape_{engine_, *this};
  bool stay_on_top_ = false;
  bool standard_view_ = true;
  std::string application_title_ = Tape::kInitialTitle;
  bool release_ends_double_click_ = false;
};

}  // namespace numira
