// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/tray_shell.h"

#include <QCoreApplication>

namespace numira {

QEvent::Type TrayCallbackEvent::EventType() {
  // The hint mirrors WM_USER + 101; Qt picks another free number if it is taken.
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType(QEvent::User + 101));
  return type;
}

void PostTrayCallback(QObject* window, std::uint32_t message, quintptr wParam, qintptr lParam) {
  if (window == nullptr) return;
  QCoreApplication::postEvent(window, new TrayCallbackEvent(message, wParam, lParam));
}

}  // namespace numira
