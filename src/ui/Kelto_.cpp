// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "ui/Kelto_.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <utility>

#include "core/error_box_text.h"

namespace numira {

using layout::ControlKind;
using layout::ControlSpec;

namespace {

const ControlSpec& Control(std::string_view name) { return *layout::FindControl(name); }

// The controls the Tab key visits, in their order.
const std::vector<const ControlSpec*>& TabOrder() {
  static const std::vector<const ControlSpec*> order = [] {
    std::vector<const ControlSpec*> controls;
    for (const char* name : layout::kTabOrder) controls.push_back(&Control(name));
    return controls;
  }();
  return order;
}

// `Panel1`'s controls but the display field, in the panel's control order:
// the ones the arrow keys walk.
bool WalkedByArrows(const ControlSpec& control) {
  return control.container == layout::Container::KeypadPanel && control.kind != ControlKind::DisplayField;
}

const std::vector<const ControlSpec*>& KeypadOrder() {
  static const std::vector<const ControlSpec*> order = [] {
    std::vector<const ControlSpec*> controls;
    for (const ControlSpec& control : layout::Controls()) {
      if (WalkedByArrows(control)) controls.push_back(&control);
    }
    return controls;
  }();
  return order;
}

bool IsPushButton(const ControlSpec& control) {
  return control.kind == ControlKind::PushButton || control.kind == ControlKind::GlyphButton;
}

// The controls with handlers of their own, not an action of the tape.
struct ControlHandler {
  const char* control;
  void (TForm1::*handler)();
};
constexpr ControlHandler kControlHandlers[] = {
    {"BitBtn1", &TForm1::BitBtn1Click},
    {"BitBtn2", &TForm1::BitBtn2Click},
    {"CheckBox1", &TForm1::CheckBox1Click},
};

// The window's own key combinations, checked before every other key; Alt
// is never held.
struct Shortcut {
  Key key;
  bool shift;
  bool ctrl;
  void (TForm1::*command)();
};
constexpr Shortcut kShortcuts[] = {
    {Key::C, false, true, &TForm1::CopyToClipboard},
    {Key::Insert, false, true, &TForm1::CopyToClipboard},
    {Key::V, false, true, &TForm1::PasteFromClipboard},
    {Key::Insert, true, false, &TForm1::PasteFromClipboard},
};

std::vector<MonitorRect> MonitorRects(const std::vector<Monitor>& monitors) {
  std::vector<MonitorRect> rects;
  for (const Monitor& monitor : monitors) {
    rects.push_back({monitor.area.left, monitor.area.top, monitor.area.right, monitor.area.bottom});
  }
  return rects;
}

}  // namespace

TForm1::TForm1(Form1View& view, std::string settings_path)
    : view_(view), settings_path_(std::move(settings_path)) {
  tape_.SetObserver(this);
}

TForm1::~TForm1() { tape_.SetObserver(nullptr); }

bool TForm1::RunHandler(const std::function<void()>& handler, const std::function<bool()>& may_report) {
  try {
    handler();
    return true;
  } catch (const std::exception& error) {
    if (!may_report || may_report()) view_.ShowErrorBox(application_title_, ErrorBoxText(error.what()));
    return false;
  }
}

std::string TForm1::SettingsPath() const { return settings_path_.empty() ? SettingsFilePath() : settings_path_; }

// ---- The program's frame ----

void TForm1::Start() {
  FormCreate();
  // As the event loop would: the window is visible when the program runs.
  if (!view_.Visible()) view_.SetVisible(true);
}

void TForm1::ProgramStarted() {
  RunHandler([this] { view_.KeepOffTaskbar(view_.NotificationAreaAvailable()); });
}

void TForm1::FormCreate() {
  RunHandler([this] {
    view_.SetTrayIcon(kTrayAdd, kTrayTip);
    // The window still has its creation size (client 437 x 208), which is
    // what the monitor rule measures; the view mode sets the size at the show.
    LoadSettings(SettingsPath(), view_.Frame(), ViewFlags{stay_on_top_, standard_view_},
                 MonitorRects(view_.Monitors()));
    view_.SetVisible(true);
  });
}

void TForm1::FormShow() {
  RunHandler([this] {
    view_.SetTopmost(stay_on_top_);
    // Setting the box acts like the user's click when it changes the box.
    const bool box_changes = view_.CheckBoxTicked() != stay_on_top_;
    view_.SetCheckBox(stay_on_top_);
    if (box_changes) CheckBox1Click();
    ApplyViewMode();
    engine_.clia();
  });
}

void TForm1::RestoredFromMinimize() {
  FormShow();
  // Window managers minimize the readme window with this one.
  if (view_.ReadmeMinimized()) view_.RestoreReadme();
}

void TForm1::ApplyViewMode() {
  if (standard_view_) {
    view_.SetClientSize(layout::kStandardClientWidth, layout::kStandardClientHeight);
  } else {
    view_.SetClientSize(layout::kCompactClientWidth, layout::kCompactClientHeight);
  }
}

void TForm1::CheckBox1Click() {
  RunHandler([this] {
    const bool ticked = view_.CheckBoxTicked();
    view_.SetTopmost(ticked);
    stay_on_top_ = ticked;
  });
}

void TForm1::BitBtn1Click() {
  RunHandler([this] {
    // The taskbar entry follows the notification area, which may have come
    // or gone since the start.
    const bool tray = view_.NotificationAreaAvailable();
    view_.KeepOffTaskbar(tray);
    if (tray) {
      view_.SetVisible(false);
    } else {
      view_.Minimize();
    }
  });
}

void TForm1::BitBtn2Click() {
  RunHandler([this] { view_.ShowReadmeModal(); });
  view_.Focus(Control("BitBtn2"), FocusMove::Direct);
}

void TForm1::TaskTrayMini1MouseDown(TMouseButton, TShiftState, int, int) {
  RunHandler([this] {
    // The open readme window takes the input meanwhile; a press also brings
    // it back when the window manager minimized it (with this window or alone).
    if (view_.Visible() && !view_.Minimized() && !view_.ReadmeMinimized()) {
      view_.SetVisible(false);
      return;
    }
    // Either step runs FormShow: the restore of a minimized window, the
    // show of a hidden one.
    if (view_.Minimized()) view_.Restore();
    view_.SetVisible(true);
    view_.BringToFront();
    view_.RestoreReadme();
  });
}

void TForm1::NotificationAreaChanged() {
  RunHandler([this] {
    const bool tray = view_.NotificationAreaAvailable();
    view_.KeepOffTaskbar(tray);
    if (tray || view_.Visible()) return;
    // Hidden into a tray that is gone: shown again, on the taskbar.
    view_.SetVisible(true);
    view_.BringToFront();
  });
}

void TForm1::WindowManagerStaysOnTop(bool above) {
  if (above == stay_on_top_) return;
  // The manager has already moved the window; the window's own flag follows
  // (asking for the band it is in), and the box is set without a click,
  // since its handler would only repeat that.
  stay_on_top_ = above;
  RunHandler([this, above] {
    view_.SetTopmost(above);
    view_.SetCheckBox(above);
  });
}

void TForm1::FormCloseQuery(bool& CanClose) {
  SaveSettings(SettingsPath(), view_.Frame(), ViewFlags{stay_on_top_, standard_view_});
  CanClose = true;
}

bool TForm1::CloseRequested() {
  bool can_close = true;
  return RunHandler([&] { FormCloseQuery(can_close); }) && can_close;
}

bool TForm1::QueryEndSession(const std::function<bool()>& may_show_error) {
  bool can_close = true;
  bool shown = false;
  const bool stored = RunHandler([&] { FormCloseQuery(can_close); }, [&] { return shown = may_show_error(); });
  return (stored && can_close) || !shown;
}

void TForm1::FormDestroy() {
  RunHandler([this] { view_.SetTrayIcon(kTrayDelete, kTrayTip); });
}

// ---- Controls, keys and the display field ----

void TForm1::ControlClicked(const ControlSpec& control) {
  if (control.action) {
    Perform(*control.action);
    return;
  }
  const auto handler = std::ranges::find_if(kControlHandlers, [&control](const ControlHandler& entry) {
    return entry.control == std::string_view(control.name);
  });
  if (handler != std::end(kControlHandlers)) (this->*handler->handler)();
}

void TForm1::Perform(Action action) {
  RunHandler([this, action] { tape_.Perform(action); });
}

bool TForm1::KeyPreview(const KeyStroke& stroke) {
  for (const Shortcut& shortcut : kShortcuts) {
    if (stroke.key == shortcut.key && stroke.shift == shortcut.shift && stroke.ctrl == shortcut.ctrl && !stroke.alt) {
      (this->*shortcut.command)();
      return true;  // types nothing into the calculator
    }
  }
  const ControlSpec* focus = view_.FocusedControl();
  switch (stroke.key) {
    case Key::Tab:
      if (stroke.ctrl || stroke.alt) break;
      // Only the five tab stops, in their order, round and round.
      WalkFocus(focus, TabOrder(), !stroke.shift);
      return true;
    case Key::Left:
    case Key::Up:
    case Key::Right:
    case Key::Down:
      // Buttons do not use the arrow keys themselves; the display field and
      // the history panel do, and are left alone.
      if (focus != nullptr && WalkedByArrows(*focus)) {
        WalkFocus(focus, KeypadOrder(), stroke.key == Key::Right || stroke.key == Key::Down);
        return true;
      }
      break;
    case Key::Enter:
      // A plain Enter on a push button presses it and goes no further, so
      // one Enter never evaluates twice.
      if (!stroke.shift && !stroke.ctrl && !stroke.alt && focus != nullptr && IsPushButton(*focus)) {
        ControlClicked(*focus);
        return true;
      }
      break;
    case Key::KeypadDecimal:
      // The decimal point whatever the keyboard layout makes the key send
      // ("." on some, "," on a German one); no character follows.
      if (!stroke.ctrl && !stroke.alt) {
        Perform(Action::Point);
        return true;
      }
      break;
    default:
      break;
  }
  FormKeyDown(stroke.key);
  return false;
}

void TForm1::WalkFocus(const ControlSpec* from, const std::vector<const ControlSpec*>& order, bool forward) {
  const auto count = static_cast<std::ptrdiff_t>(order.size());
  const auto it = std::ranges::find(order, from);
  // From a control outside the order, forward starts at its first control.
  const std::ptrdiff_t index = it == order.end() ? (forward ? count - 1 : 0) : it - order.begin();
  const std::ptrdiff_t next = (index + (forward ? 1 : count - 1)) % count;
  view_.Focus(*order[static_cast<std::size_t>(next)], forward ? FocusMove::Forward : FocusMove::Backward);
}

void TForm1::FormKeyDown(Key key) {
  switch (key) {
    case Key::Backspace: RunHandler([this] { tape_.PressKey(NamedKey::Backspace); }); break;
    case Key::Home: RunHandler([this] { tape_.PressKey(NamedKey::Home); }); break;
    case Key::Enter: RunHandler([this] { tape_.PressKey(NamedKey::Enter); }); break;
    default: break;  // Escape and every other key: nothing
  }
}

void TForm1::FormKeyPress(char32_t character) {
  RunHandler([this, character] { tape_.TypeCharacter(character); });
}

void TForm1::CopyToClipboard() {
  RunHandler([this] {
    if (view_.FocusedControl() == &Control("Memo1") && view_.TapeHasSelection()) {
      view_.CopyTapeSelection();
    } else {
      view_.CopyText(view_.DisplayText());
    }
  });
}

void TForm1::PasteFromClipboard() {
  RunHandler([this] {
    if (!tape_.Paste(view_.ClipboardText())) view_.WarningSound();
  });
}

void TForm1::edhyoujClick() {
  RunHandler([this] { FocusEquals(); });
}

void TForm1::edhyoujDblClick() {
  RunHandler([this] {
    standard_view_ = !standard_view_;
    ApplyViewMode();
    FocusEquals();
  });
}

void TForm1::DisplayFieldPressed() { release_ends_double_click_ = false; }

void TForm1::DisplayFieldReleased(bool left_button) {
  if (!left_button) {
    FocusEquals();
    return;
  }
  if (!std::exchange(release_ends_double_click_, false)) edhyoujClick();
}

void TForm1::DisplayFieldDoubleClicked() {
  release_ends_double_click_ = true;
  edhyoujDblClick();
}

// ---- EngineSurroundings, HistoryObserver ----

std::string TForm1::DisplayText() const { return view_.DisplayText(); }
void TForm1::SetDisplayText(const std::string& text) { view_.SetDisplayText(text); }
void TForm1::AppendDisplayText(std::string_view text) { view_.AppendDisplayText(text); }

void TForm1::SetApplicationTitle(const std::string& title) {
  application_title_ = title;
  view_.SetApplicationTitle(title);
}

void TForm1::FocusEquals() { view_.Focus(Control("btnwa"), FocusMove::Direct); }

void TForm1::LineAppended(std::string_view line) { view_.TapeLineAppended(line); }
void TForm1::LinesCleared() { view_.TapeCleared(); }

}  // namespace numira
