// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/window_manager.h"

#include <QWidget>
#include <QWindow>

#include <utility>

#include "app/platform_x11.h"

namespace numira::platform {

void PreferX11Platform() {
  // The user's explicit choice stands; without an X display Qt picks itself.
  if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || qEnvironmentVariableIsEmpty("DISPLAY")) return;
  // Under a Wayland session whose XWayland fails, Qt falls back to Wayland.
  qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ? "xcb" : "xcb;wayland");
}

Qt::WindowFlags StackingFlags(Qt::WindowFlags flags, bool topmost, bool kept_below) {
  flags.setFlag(Qt::WindowStaysOnTopHint, topmost);
  flags.setFlag(Qt::WindowStaysOnBottomHint, !topmost && kept_below);
  return flags;
}

void SetWindowTopmost(QWidget* window, bool topmost) {
  const Qt::WindowFlags flags = StackingFlags(window->windowFlags(), topmost, x11::KeptBelow(window->windowHandle()));
  // QWidget::setWindowFlags would re-create and hide a shown window; changing
  // the native window's flags re-stacks it in place.
  window->overrideWindowFlags(flags);
  if (QWindow* handle = window->windowHandle()) handle->setFlags(flags);
}

QMargins FrameMargins(QWidget* window) {
  // Qt knows the frame once the window manager has framed the window.
  const QRect frame = window->frameGeometry();
  const QRect client = window->geometry();
  if (frame != client) {
    return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
            frame.bottom() - client.bottom()};
  }
  return x11::FrameExtents(window);
}

void PrepareFirstShow(QWidget* window) { x11::PrepareToShow(window); }

void FollowWindowManagerStaysOnTop(QWidget* window, std::function<void(bool above)> changed) {
  x11::WatchStaysOnTop(window, std::move(changed));
}

}  // namespace numira::platform
