// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The desktop's notification area through Qt: one QSystemTrayIcon per icon id,
// showing the record's icon and tip, whose activations come back to the
// record's window as callback messages, in the order the shell sends them:
//   left click   -> 513, 514       middle click -> 519, 520
//   double click -> 515, 514       context      -> 517
// Where Qt's icon cannot reach the desktop's StatusNotifierItem host (Qt chose
// XEmbed at start, before the host was there), the shell publishes the icon
// as its own StatusNotifierItem alongside, for as long as that lasts.

#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <cstdint>
#include <map>
#include <vector>

#include "app/tray_shell.h"

namespace numira {

class SniTrayItem;

// The mouse messages posted for one activation of a tray icon; none for a
// reason the shell does not know.
std::vector<int> MouseMessagesFor(QSystemTrayIcon::ActivationReason reason);

// The record's tip as text. The tip is UTF-8 cut at a byte count, so a
// character may have lost its last bytes; that broken tail is left out rather
// than shown as a replacement character.
QString TipText(const NotifyIconRecord& record);

class QtTrayShell : public TrayShell {
 public:
  QtTrayShell() = default;
  ~QtTrayShell() override;
  QtTrayShell(const QtTrayShell&) = delete;
  QtTrayShell& operator=(const QtTrayShell&) = delete;

  // Adding an id that is already shown, or modifying or deleting one that is
  // not, does nothing.
  void Add(const NotifyIconRecord& record) override;
  void Modify(const NotifyIconRecord& record) override;
  void Delete(const NotifyIconRecord& record) override;
  QPoint CursorPos() override;
  // Raises and activates window's top-level window if it is visible.
  void SetForegroundWindow(QWidget* window) override;

  // The icon shown for an id, or null.
  QSystemTrayIcon* IconFor(std::uint32_t uID) const;

 private:
  struct Shown {
    QPointer<QSystemTrayIcon> icon;
    QPointer<QWidget> window;  // receives the callback messages
    std::uint32_t message = 0;
    QPointer<SniTrayItem> own_item;  // a child of icon
  };

  void Apply(Shown& shown, const NotifyIconRecord& record);
  void Activated(std::uint32_t uID, QSystemTrayIcon::ActivationReason reason);
  // Publishes or withdraws the id's own StatusNotifierItem as the desktop's
  // notification areas come and go.
  void FollowNotificationArea(std::uint32_t uID);

  std::map<std::uint32_t, Shown> shown_;
};

}  // namespace numira
