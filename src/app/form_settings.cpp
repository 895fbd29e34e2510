// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/form_settings.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <utility>

#include "app/window_manager.h"

namespace numira {
namespace {

ScreenRect RectOf(const QRect& rect) {
  return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

}  // namespace

FormSettingsWindow::FormSettingsWindow(QWidget& window, std::function<QMargins()> measure_frame)
    : window_(window), measure_frame_(std::move(measure_frame)) {}

QMargins FormSettingsWindow::Frame() const {
  if (!frame_) frame_ = measure_frame_ ? measure_frame_() : platform::FrameMargins(&window_);
  return *frame_;
}

std::int32_t FormSettingsWindow::Left() const { return window_.frameGeometry().x(); }
std::int32_t FormSettingsWindow::Top() const { return window_.frameGeometry().y(); }
std::int32_t FormSettingsWindow::OuterWidth() const { return window_.width() + Frame().left() + Frame().right(); }
std::int32_t FormSettingsWindow::OuterHeight() const {
  return window_.height() + Frame().top() + Frame().bottom();
}

// QWidget::move places a window's frame, so both setters keep the frame's
// other coordinate and the size.
void FormSettingsWindow::SetLeft(std::int32_t left) { window_.move(left, window_.frameGeometry().y()); }
void FormSettingsWindow::SetTop(std::int32_t top) { window_.move(window_.frameGeometry().x(), top); }

std::vector<Monitor> ScreenMonitors() {
  QList<QScreen*> screens = QGuiApplication::screens();
  std::stable_partition(screens.begin(), screens.end(),
                        [](const QScreen* screen) { return screen == QGuiApplication::primaryScreen(); });
  std::vector<Monitor> monitors;
  for (const QScreen* screen : screens) {
    monitors.push_back({RectOf(screen->geometry()), RectOf(screen->availableGeometry())});
  }
  return monitors;
}

}  // namespace numira
