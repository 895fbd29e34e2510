// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The main window as the program's frame: create and show handlers, hiding
// into the tray and restoring, the readme button, close and destroy.

#include "core/inifile_.h"
#include "win32/Kelto_.h"
#include "win32/helupu_.h"
#include "win32/platform.h"

namespace numira::win32 {
namespace {

constexpr char kTrayTip[] = "Numira";

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
  RECT Rect() const {
    RECT rect{};
    GetWindowRect(window_, &rect);
    return rect;
  }
  void MoveTo(int left, int top) {
    SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  HWND window_;
};

// The monitors, taken once when the program starts.
const std::vector<MonitorRect>& StartMonitors() {
  static const std::vector<MonitorRect> monitors = [] {
    std::vector<MonitorRect> rects;
    for (const Monitor& monitor : DisplayMonitors()) {
      rects.push_back({monitor.area.left, monitor.area.top, monitor.area.right, monitor.area.bottom});
    }
    return rects;
  }();
  return monitors;
}

}  // namespace

std::unique_ptr<TForm1> TForm1::Create(HWND application_window) {
  StartMonitors();
  auto form = std::make_unique<TForm1>(application_window);
  form->RunHandler([&form] { form->FormCreate(); });
  if (!IsWindowVisible(form->window_)) ShowWindow(form->window_, SW_SHOW);
  return form;
}

void TForm1::FormCreate() {
  tray_icon_ = LoadApplicationIcon(GetSystemMetrics(SM_CXSMICON));
  TaskTrayMini1->SetIcon(kTrayAdd, tray_icon_, kTrayTip);
  // The window still has its creation size (client 437 x 208), which is what
  // the monitor rule measures; the view mode sets the size at the show.
  WindowFrame frame(window_);
  LoadSettings(frame, ViewFlags{stay_on_top_, standard_view_}, StartMonitors());
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
}

void TForm1::FormShow() {
  RunHandler([this] {
    SetWindowTopmost(window_, stay_on_top_);
    // Setting the box from here acts like the user's click when it changes
    // the box: the click handler runs.
    const bool ticked = SendMessageW(CheckBox1, BM_GETCHECK, 0, 0) == BST_CHECKED;
    SendMessageW(CheckBox1, BM_SETCHECK, stay_on_top_ ? BST_CHECKED : BST_UNCHECKED, 0);
    if (ticked != stay_on_top_) CheckBox1Click();
    ApplyViewMode();
    engine_.clia();
  });
}

void TForm1::CheckBox1Click() {
  const bool ticked = SendMessageW(CheckBox1, BM_GETCHECK, 0, 0) == BST_CHECKED;
  SetWindowTopmost(window_, ticked);
  stay_on_top_ = ticked;
}

void TForm1::BitBtn1Click() {
  RunHandler([this] { ShowWindow(window_, SW_HIDE); });
}

void TForm1::TaskTrayMini1MouseDown(TTaskTrayMini*, TMouseButton, TShiftState, int, int) {
  RunHandler([this] {
    if (IsWindowVisible(window_)) {
      ShowWindow(window_, SW_HIDE);
      return;
    }
    ShowWindow(window_, SW_SHOW);  // runs FormShow
    SetForegroundWindow(window_);
  });
}

void TForm1::BitBtn2Click() {
  RunHandler([this] {
    if (Formvajon != nullptr) Formvajon->ShowModalFor(window_);
  });
  SetFocus(BitBtn2);
}

void TForm1::FormCloseQuery(bool& CanClose) {
  const WindowFrame frame(window_);
  SaveSettings(frame, ViewFlags{stay_on_top_, standard_view_});
  CanClose = true;
}

void TForm1::FormDestroy() { TaskTrayMini1->SetIcon(kTrayDelete, tray_icon_, kTrayTip); }

}  // namespace numira::win32
