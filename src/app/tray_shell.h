// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The notification-area shell as the tray component sees it: the record that
// describes one icon, and the calls that add, modify and delete it. The Qt
// implementation shows the icons; tests record the calls.

#include <QEvent>
#include <QIcon>
#include <QPoint>
#include <cstdint>

#include "ui/tray_dispatch.h"

class QWidget;

namespace numira {

// One icon's description. hWnd is the window that receives the callback
// message; it is not owned. The shell copies what it needs.
struct NotifyIconRecord {
  std::uint32_t cbSize = 0;
  QWidget* hWnd = nullptr;
  std::uint32_t uID = 0;
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;
  QIcon hIcon;
  char szTip[kTipBytes] = {};
};

// What the tray component needs from the desktop. Results of the icon calls
// are not reported: the component never looks at them.
class TrayShell {
 public:
  virtual ~TrayShell() = default;
  virtual void Add(const NotifyIconRecord& record) = 0;
  virtual void Modify(const NotifyIconRecord& record) = 0;
  virtual void Delete(const NotifyIconRecord& record) = 0;
  // The mouse cursor in screen coordinates, read when a callback is handled.
  virtual QPoint CursorPos() = 0;
  // Brings the given window to the front and gives it the input focus.
  virtual void SetForegroundWindow(QWidget* window) = 0;
};

// A callback message on its way to a callback window. Posted, never sent, so
// it arrives through the event loop as the shell's messages do.
class TrayCallbackEvent : public QEvent {
 public:
  static QEvent::Type EventType();
  TrayCallbackEvent(std::uint32_t message, quintptr wParam, qintptr lParam)
      : QEvent(EventType()), message_(message), wparam_(wParam), lparam_(lParam) {}
  std::uint32_t Message() const { return message_; }
  quintptr WParam() const { return wparam_; }
  qintptr LParam() const { return lparam_; }

 private:
  std::uint32_t message_;
  quintptr wparam_;
  qintptr lparam_;
};

// Queues one callback message for window; nothing happens for a null window.
void PostTrayCallback(QObject* window, std::uint32_t message, quintptr wParam, qintptr lParam);

}  // namespace numira
