// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The main window and the screens as the settings see them: the window's
// outer frame position and size, and one rectangle per monitor.

#include <QMargins>

#include <vector>

#include "core/inifile_.h"

class QWidget;

namespace numira {

// A top-level window's frame: left and top are the frame's top-left corner
// (what QWidget::pos gives for a window), width and height the frame's size:
// the client area's with the frame margins given (the window manager's frame
// and caption, platform::FrameMargins).
class FormSettingsWindow : public SettingsWindow {
 public:
  explicit FormSettingsWindow(QWidget& window, QMargins frame = {}) : window_(window), frame_(frame) {}

  std::int32_t Left() const override;
  std::int32_t Top() const override;
  std::int32_t OuterWidth() const override;
  std::int32_t OuterHeight() const override;
  void SetLeft(std::int32_t left) override;
  void SetTop(std::int32_t top) override;

 private:
  QWidget& window_;
  QMargins frame_;
};

// The monitors' full rectangles, in the order the platform lists its screens.
// Empty when the platform reports no screen.
std::vector<MonitorRect> ScreenMonitors();

}  // namespace numira
