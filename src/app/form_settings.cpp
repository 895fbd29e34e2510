// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/form_settings.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace numira {

std::int32_t FormSettingsWindow::Left() const { return window_.frameGeometry().x(); }
std::int32_t FormSettingsWindow::Top() const { return window_.frameGeometry().y(); }
std::int32_t FormSettingsWindow::OuterWidth() const { return window_.width() + frame_.left() + frame_.right(); }
std::int32_t FormSettingsWindow::OuterHeight() const { return window_.height() + frame_.top() + frame_.bottom(); }

// QWidget::move places a window's frame, so both setters keep the frame's
// other coordinate and the size.
void FormSettingsWindow::SetLeft(std::int32_t left) { window_.move(left, window_.frameGeometry().y()); }
void FormSettingsWindow::SetTop(std::int32_t top) { window_.move(window_.frameGeometry().x(), top); }

std::vector<MonitorRect> ScreenMonitors() {
  std::vector<MonitorRect> monitors;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect area = screen->geometry();
    monitors.push_back({area.x(), area.y(), area.x() + area.width(), area.y() + area.height()});
  }
  return monitors;
}

}  // namespace numira
