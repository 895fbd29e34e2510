// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The main window and the screens as the settings and the window rules see
// them: the window's outer frame position and size, and the monitors.

#include <QMargins>

#include <functional>
#include <optional>
#include <vector>

#include "core/inifile_.h"
#include "ui/screen.h"

class QWidget;

namespace numira {

// A top-level window's frame: left and top are the frame's top-left corner
// (what QWidget::pos gives for a window), width and height the frame's size:
// the client area's with the frame around it. The frame is measured when an
// outer size is first asked for (platform::FrameMargins: the window manager's
// frame and caption, which may take it a moment to tell), then kept until
// MeasureFrameAgain.
class FormSettingsWindow : public SettingsWindow {
 public:
  // `measure_frame` measures the frame instead, as a test wants it.
  explicit FormSettingsWindow(QWidget& window, std::function<QMargins()> measure_frame = {});

  std::int32_t Left() const override;
  std::int32_t Top() const override;
  std::int32_t OuterWidth() const override;
  std::int32_t OuterHeight() const override;
  void SetLeft(std::int32_t left) override;
  void SetTop(std::int32_t top) override;

  void MeasureFrameAgain() { frame_.reset(); }

 private:
  QMargins Frame() const;

  QWidget& window_;
  std::function<QMargins()> measure_frame_;
  mutable std::optional<QMargins> frame_;
};

// The screens' whole areas and work areas, the primary screen first (so it
// is the fallback among equals), then the others in the order the platform
// lists them. Empty when the platform reports no screen.
std::vector<Monitor> ScreenMonitors();

}  // namespace numira
