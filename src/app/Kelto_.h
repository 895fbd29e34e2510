// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Kelto_ (Qt): the main window `Form1` as Qt widgets. Form1Widget builds the
// keypad panel with the display field, the history panel, the glyph buttons
// and the check box from the control table (ui/keypad_layout.h), forwards
// their events and the window's own (show, restore, close) to TForm1
// (ui/Kelto_.h), which decides everything, and carries out what TForm1 asks
// through Form1View. KeyPreview hands every key to it before the focused
// control.

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/TaskTrayMini.h"
#include "app/form_settings.h"
#include "app/taskbar.h"
#include "ui/Kelto_.h"

class QCheckBox;
class QFrame;
class QPushButton;

namespace numira {

class DisplayField;
class HistoryView;
class KeyPreview;

// What the window reaches outside itself.
struct Form1Surroundings {
  // The tray module the icon goes into: the desktop's notification area for
  // the program, a recording shell in tests.
  TrayModule& tray;
  // Opens the readme window modally over the main window; empty: nothing.
  std::function<void(QWidget* main_window)> show_readme;
  // The settings file's path; empty: where this build keeps it.
  std::string settings_path;
};

class Form1Widget : public QWidget, public Form1View {
  Q_OBJECT

 public:
  explicit Form1Widget(Form1Surroundings surroundings, QWidget* parent = nullptr);
  // Runs FormDestroy: the tray icon goes.
  ~Form1Widget() override;

  // The program's main window: TForm1's start (the create handler shows the
  // window). From then on closing this window ends the program, the end of
  // the desktop session asks it the same close question, and the window
  // follows the notification area and the window manager's topmost band.
  void StartAsMainWindow();

  TForm1& Form() { return form_; }
  bool KeptOffTaskbar() const { return taskbar_.KeptOff(); }

  // The native control of a row of the control table, and the row of a
  // control (nullptr for a widget that is none of them).
  QWidget* ControlOf(const layout::ControlSpec& control) const;
  const layout::ControlSpec* SpecOf(const QWidget* widget) const;

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
  SettingsWindow& Frame() override;
  std::vector<Monitor> Monitors() const override;
  bool NotificationAreaAvailable() const override;
  void KeepOffTaskbar(bool off) override;
  void SetTrayIcon(std::uint8_t action, std::string_view tip) override;
  void ShowErrorBox(const std::string& caption, const std::string& text) override;
  void ShowReadmeModal() override;
  bool ReadmeMinimized() const override;
  void RestoreReadme() override;

  QFrame* Panel1 = nullptr;
  QFrame* Panel2 = nullptr;
  DisplayField* edhyouj = nullptr;
  QPushButton* btnwa = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  HistoryView* Memo1 = nullptr;
  TTaskTrayMini* TaskTrayMini1 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void DockPanels();

  Form1Surroundings surroundings_;
  TForm1 form_;
  FormSettingsWindow frame_{*this};
  platform::TaskbarKeeper taskbar_;
  bool main_window_ = false;
  // While StartAsMainWindow runs the create handler: the tray icon's tip,
  // once the handler has asked for the icon (added after the show).
  bool starting_ = false;
  std::optional<std::string> tray_tip_after_show_;
  std::vector<QWidget*> controls_;  // one per row of the control table
  std::unique_ptr<KeyPreview> key_preview_;
};

}  // namespace numira
