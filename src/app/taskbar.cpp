// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/taskbar.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QEvent>
#include <QSystemTrayIcon>
#include <QWidget>

#include "app/platform_x11.h"
#include "app/sni_tray_item.h"

namespace numira::platform {
namespace {

// A window the window manager takes on; not the tray icon's own window,
// which the notification area embeds.
bool IsProgramWindow(const QWidget* widget) {
  const Qt::WindowType type = widget->windowType();
  return widget->isWindow() && (type == Qt::Window || type == Qt::Dialog) &&
         !widget->windowFlags().testFlag(Qt::BypassWindowManagerHint);
}

}  // namespace

bool NotificationAreaAvailable() {
  // A StatusNotifierItem host that Qt's icon cannot reach gets the tray
  // shell's own item (QtTrayShell), so it counts as well.
  return QSystemTrayIcon::isSystemTrayAvailable() || StatusNotifierWatcherPresent();
}

void WatchNotificationArea(QObject* context, std::function<void()> changed) {
  x11::WatchTrayManager(context, changed);
  // A StatusNotifierItem host is there while its watcher service is on the
  // session bus; Qt's icon, or the tray shell's own item, registers again by
  // itself when the watcher comes back.
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  auto* watcher = new QDBusServiceWatcher(QString::fromLatin1(kStatusNotifierWatcherService), bus,
                                          QDBusServiceWatcher::WatchForRegistration |
                                              QDBusServiceWatcher::WatchForUnregistration,
                                          context);
  QObject::connect(watcher, &QDBusServiceWatcher::serviceRegistered, context, [changed] { changed(); });
  QObject::connect(watcher, &QDBusServiceWatcher::serviceUnregistered, context, [changed] { changed(); });
}

TaskbarKeeper::TaskbarKeeper() { qApp->installEventFilter(this); }

TaskbarKeeper::~TaskbarKeeper() { qApp->removeEventFilter(this); }

void TaskbarKeeper::KeepOff(bool off) {
  const bool changed = !chosen_ || off != off_;
  chosen_ = true;
  off_ = off;
  if (!changed) return;
  // Hidden windows get the state at their next show; the visible ones now.
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (IsProgramWindow(widget) && widget->isVisible()) x11::SetSkipTaskbar(widget->windowHandle(), off);
  }
}

// Watches the program's windows as they are shown from hidden (not when the
// window manager restores one from a minimized state: it keeps the states
// then). Each gets the chosen taskbar state again, twice: on the property just
// before the window is mapped, and by a client message just after, because
// Qt may replace the X window while it maps it (it does after a change of the
// stay-on-top flag). A window that is not minimized starts in the normal state.
bool TaskbarKeeper::eventFilter(QObject* watched, QEvent* event) {
  const bool before_map = event->type() == QEvent::Show && !event->spontaneous();
  const bool after_map = event->type() == QEvent::ShowToParent;
  if ((!before_map && !after_map) || !watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  if (!IsProgramWindow(widget)) return false;
  if (before_map && !widget->isMinimized()) x11::ClearStaleIconicStart(widget->windowHandle());
  if (chosen_) x11::SetSkipTaskbar(widget->windowHandle(), off_);
  return false;
}

}  // namespace numira::platform
