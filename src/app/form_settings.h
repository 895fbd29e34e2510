#pragma once
// The main window and the screens as the settings see them: the window's
// outer frame position and size, and one rectangle per monitor.

#include <vector>

#include "core/inifile_.h"

class QWidget;

namespace numira {

// A top-level window's frame: left and top are the frame's top-left corner
// (what QWidget::pos gives for a window), width and height the frame's size.
// Before the window is first shown the platform knows no frame yet, so the
// size is the client area's.
class FormSettingsWindow : public SettingsWindow {
 public:
  explicit FormSettingsWindow(QWidget& window) : window_(window) {}

  std::int32_t Left() const override;
  std::int32_t Top() const override;
  std::int32_t OuterWidth() const override;
  std::int32_t OuterHeight() const override;
  void SetLeft(std::int32_t left) override;
  void SetTop(std::int32_t top) override;

 private:
  QWidget& window_;
};

// The monitors' full rectangles, in the order the platform lists its screens.
// Empty when the platform reports no screen.
std::vector<MonitorRect> ScreenMonitors();

}  // namespace numira
