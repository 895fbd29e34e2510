// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Kelto_: the main window `Form1` (class TForm1). The keypad panel with the
// display field on the left, the history panel on the right, two view modes
// (standard and compact), and the binding of buttons and keys to the engine
// through the tape. The controls themselves are described in keypad_layout;
// KeyPreview hands every key to this window before the focused control.
//
// Handlers are named after control and event: edhyoujClick is the display
// field's click, FormKeyPress the window's typed character, and so on.
//
// The window is also the program's frame (Kelto_window_state.cpp): its
// create handler adds the tray icon `TaskTrayMini1`, loads the settings and
// shows the window; hiding goes into the tray (or, with no notification area,
// to the taskbar) and every show clears the engine; every close request
// stores the settings first and is refused when that fails.

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/TaskTrayMini.h"
#include "core/calc.h"
#include "core/tape.h"

class QCheckBox;
class QFrame;
class QLineEdit;
class QPushButton;

namespace numira {

class HistoryView;
class KeyPreview;

// What the frame handlers reach outside the window. The program keeps the
// defaults; tests put a temporary settings file, a recording tray shell and a
// readme stand-in here, so no test touches the desktop or waits in a modal
// loop.
struct FrameSurroundings {
  // The settings file's path; empty: the file beside the executable.
  std::function<std::string()> settings_path;
  // The tray module the icon goes into; null: the desktop's notification area.
  TrayModule* tray = nullptr;
  // Opens the readme window modally over the main window; empty: `Formvajon`.
  std::function<void(QWidget* main_window)> show_readme;
};

class TForm1 : public QWidget, public EngineSurroundings, public HistoryObserver {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* parent = nullptr);
  explicit TForm1(FrameSurroundings surroundings, QWidget* parent = nullptr);
  // Runs FormDestroy: the tray icon goes.
  ~TForm1() override;

  // The program's main window `Form1`: constructs it and runs FormCreate. A
  // create handler that stops on an error is reported, and the window is
  // shown all the same. From then on closing this window ends the program,
  // and the end of the desktop session asks it the same close question.
  static std::unique_ptr<TForm1> Create(FrameSurroundings surroundings = {});

  // The two flags of this module. The settings layer sets them before the
  // first show and reads them at close; every show applies them.
  bool StayOnTop() const { return stay_on_top_; }
  void SetStayOnTop(bool on) { stay_on_top_ = on; }
  bool StandardView() const { return standard_view_; }
  void SetStandardView(bool standard) { standard_view_ = standard; }

  // The application title: "電卓" at start, then each result text. It is the
  // caption of the error box, distinct from this window's caption.
  const QString& ApplicationTitle() const { return application_title_; }

  Calculator& Engine() { return engine_; }
  Tape& History() { return tape_; }

  // Applies the view mode of the standard-view flag: client 375 x 205 or
  // 175 x 35. Nothing else changes: controls outside the client area stay
  // where they are, so the keys keep working in the compact view.
  void ApplyViewMode();

  // Once, right after construction: adds the tray icon (tip "Numira"), loads
  // the settings (position pulled onto the monitors, the two flags) and shows
  // the window, so FormShow runs before FormCreate returns.
  void FormCreate();

  // Runs every time the window goes from hidden to visible: z-order from the
  // always-on-top flag (ticking the check box to match), the view mode, and a
  // cleared engine. The history panel keeps its lines. A restore from the
  // taskbar after a minimize counts as such a show.
  void FormShow();

  void edhyoujClick();     // focus back to "="
  void edhyoujDblClick();  // flips the view mode, focus back to "="
  void CheckBox1Click();   // the always-on-top switch, on every change of the box
  // Hides the window into the tray; engine, display and history stay. With no
  // notification area it minimizes the window to the taskbar instead, as a
  // hidden window could not be brought back.
  void BitBtn1Click();
  // Opens the readme window modally; afterwards the focus is on BitBtn2.
  void BitBtn2Click();
  // A left press on the tray icon: hides a visible window, shows a hidden
  // (or minimized) one, also while the readme window is open; a minimized
  // readme window comes back with it. Button, shift state and position are
  // not used.
  void TaskTrayMini1MouseDown(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  // A notification area came or went: the taskbar entry follows it, and a
  // window hidden into a tray that went away is shown again, never lost.
  void NotificationAreaChanged();
  // The window manager moved the window into the topmost band or out of it
  // (its window menu): flag and check box follow, and so the stored setting.
  void WindowManagerStaysOnTop(bool above);
  // A close request: stores the settings and leaves CanClose true. A store
  // that fails throws SettingsWriteError, which refuses the close.
  void FormCloseQuery(bool& CanClose);
  // Removes the tray icon.
  void FormDestroy();
  // The desktop session is ending: the same close question, so the settings
  // are stored. When the store fails and may_show_error() allows it, the
  // error box is shown and the answer is false (keep the session, as a
  // failed close keeps the window); with no permission to show anything the
  // session may end.
  bool QueryEndSession(const std::function<bool()>& may_show_error);

  // A keypad button's click: its action through the tape.
  void Perform(Action action);
  // The window's key handlers, called for every key before the focused
  // control sees it. FormKeyDown acts on Backspace, Home and Enter (any
  // modifiers) and ignores every other key; FormKeyPress types each
  // character of the text.
  void FormKeyDown(int qt_key);
  void FormKeyPress(const QString& text);

  // Ctrl+C / Ctrl+Insert: the history panel's selection when it has the focus
  // and a selection, otherwise the display text.
  void CopyToClipboard();

  // `Panel1`'s controls that the arrow keys walk, in control order.
  const std::vector<QWidget*>& KeypadOrder() const { return keypad_order_; }

  // EngineSurroundings: the display field, the application title and "=".
  std::string DisplayText() const override;
  void SetDisplayText(const std::string& text) override;
  void AppendDisplayText(std::string_view text) override;
  void SetApplicationTitle(const std::string& title) override;
  void FocusEquals() override;

  // HistoryObserver: `Memo1` follows the tape line by line.
  void LineAppended(std::string_view line) override;
  void LinesCleared() override;

  QFrame* Panel1 = nullptr;
  QFrame* Panel2 = nullptr;
  QLineEdit* edhyouj = nullptr;
  QPushButton* btnwa = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  HistoryView* Memo1 = nullptr;
  TTaskTrayMini* TaskTrayMini1 = nullptr;

 signals:
  void applicationTitleChanged(const QString& title);

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void DockPanels();
  std::string SettingsPath() const;
  // The one place where an error that a handler lets through is caught: it
  // goes to the general error box (caption: the application title; text: the
  // message with its closing "."). Returns whether the handler completed.
  // may_report, when given, is asked first; a no drops the report.
  bool RunHandler(const std::function<void()>& handler, const std::function<bool()>& may_report = {});

  FrameSurroundings surroundings_;
  bool main_window_ = false;
  Calculator engine_{*this};
  Tape tape_{engine_, *this};
  bool stay_on_top_ = false;
  bool standard_view_ = true;
  QString application_title_;
  bool release_ends_double_click_ = false;
  std::vector<QWidget*> keypad_order_;
  std::unique_ptr<KeyPreview> key_preview_;
};

}  // namespace numira
