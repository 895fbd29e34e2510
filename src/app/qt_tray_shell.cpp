// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/qt_tray_shell.h"

#include <QCoreApplication>
#include <QCursor>
#include <QWidget>
#include <cstring>

#include "app/first_frame.h"
#include "app/taskbar.h"
#include "app/sni_tray_item.h"

namespace numira {

std::vector<int> MouseMessagesFor(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger: return {kLeftButtonDown, kLeftButtonUp};
    case QSystemTrayIcon::MiddleClick: return {kMiddleButtonDown, kMiddleButtonUp};
    // Qt reports the second press of a double click on its own; the first
    // already came as Trigger.
    case QSystemTrayIcon::DoubleClick: return {kLeftButtonDoubleClick, kLeftButtonUp};
    case QSystemTrayIcon::Context: return {kRightButtonUp};
    case QSystemTrayIcon::Unknown: break;
  }
  return {};
}

QString TipText(const NotifyIconRecord& record) {
  auto length = static_cast<int>(strnlen(record.szTip, kTipBytes));
  const auto byte = [&](int i) { return static_cast<unsigned char>(record.szTip[i]); };
  // Walk back over continuation bytes to the lead byte of the last character
  // and drop that character if it needs more bytes than are left.
  int lead = length - 1;
  while (lead >= 0 && (byte(lead) & 0xC0) == 0x80) --lead;
  if (lead >= 0 && byte(lead) >= 0xC0) {
    const int needed = byte(lead) >= 0xF0 ? 4 : byte(lead) >= 0xE0 ? 3 : 2;
    if (length - lead < needed) length = lead;
  }
  return QString::fromUtf8(record.szTip, length);
}

QtTrayShell::~QtTrayShell() {
  for (auto& [id, shown] : shown_) delete shown.icon;
}

void QtTrayShell::Add(const NotifyIconRecord& record) {
  if (shown_.count(record.uID) != 0 && shown_[record.uID].icon) return;
  // The icons belong to the application, so none outlives it even when the
  // program ends without deleting its icon.
  auto* icon = new QSystemTrayIcon(QCoreApplication::instance());
  const std::uint32_t id = record.uID;
  QObject::connect(icon, &QSystemTrayIcon::activated, icon,
                   [this, id](QSystemTrayIcon::ActivationReason reason) { Activated(id, reason); });
  Shown& shown = shown_[id];
  shown.icon = icon;
  Apply(shown, record);
  icon->show();
  // Watched once the callback window's own window (the program's main
  // window) has been drawn, off the way to its first paint; the look then
  // catches a change made before the watch began.
  AfterFirstFrame(record.hWnd != nullptr ? record.hWnd->window() : nullptr, icon, [this, icon, id] {
    platform::WatchNotificationArea(icon, [this, id] { FollowNotificationArea(id); });
    FollowNotificationArea(id);
  });
}

void QtTrayShell::Modify(const NotifyIconRecord& record) {
  const auto found = shown_.find(record.uID);
  if (found == shown_.end() || !found->second.icon) return;
  Apply(found->second, record);
}

void QtTrayShell::Delete(const NotifyIconRecord& record) {
  const auto found = shown_.find(record.uID);
  if (found == shown_.end()) return;
  delete found->second.icon;
  shown_.erase(found);
}

QPoint QtTrayShell::CursorPos() { return QCursor::pos(); }

void QtTrayShell::SetForegroundWindow(QWidget* window) {
  if (window == nullptr) return;
  QWidget* top = window->window();
  if (!top->isVisible()) return;
  top->raise();
  top->activateWindow();
}

QSystemTrayIcon* QtTrayShell::IconFor(std::uint32_t uID) const {
  const auto found = shown_.find(uID);
  return found == shown_.end() ? nullptr : found->second.icon.data();
}

void QtTrayShell::Apply(Shown& shown, const NotifyIconRecord& record) {
  // The icon is looked up by id alone (ids are unique within the module), so a
  // record naming a newer callback window still finds its icon.
  if (record.uFlags & kNifMessage) {
    shown.window = record.hWnd;
    shown.message = record.uCallbackMessage;
  }
  if (record.uFlags & kNifIcon) {
    shown.icon->setIcon(record.hIcon);
    if (shown.own_item) shown.own_item->SetIcon(record.hIcon);
  }
  if (record.uFlags & kNifTip) {
    shown.icon->setToolTip(TipText(record));
    if (shown.own_item) shown.own_item->SetToolTip(TipText(record));
  }
}

void QtTrayShell::Activated(std::uint32_t uID, QSystemTrayIcon::ActivationReason reason) {
  const auto found = shown_.find(uID);
  if (found == shown_.end() || !found->second.window) return;
  for (int mouseMessage : MouseMessagesFor(reason)) {
    PostTrayCallback(found->second.window, found->second.message, uID, mouseMessage);
  }
}

void QtTrayShell::FollowNotificationArea(std::uint32_t uID) {
  const auto found = shown_.find(uID);
  if (found == shown_.end() || !found->second.icon) return;
  Shown& shown = found->second;
  // Qt's icon is reachable wherever Qt sees a notification area: an XEmbed
  // tray, or a StatusNotifierItem host when Qt chose D-Bus at start. A host
  // that Qt does not see needs the program's own item, until the host leaves
  // or an XEmbed tray takes Qt's icon.
  const bool needed = !QSystemTrayIcon::isSystemTrayAvailable() && StatusNotifierWatcherPresent();
  if (needed && !shown.own_item) {
    shown.own_item = new SniTrayItem(
        shown.icon->icon(), shown.icon->toolTip(),
        [this, uID](QSystemTrayIcon::ActivationReason reason) { Activated(uID, reason); }, shown.icon);
  } else if (!needed && shown.own_item) {
    delete shown.own_item;
  }
}

}  // namespace numira
