// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The notification area's presence, and the program's place on the taskbar,
// which follows it: off the taskbar while a notification area holds the
// tray icon, on it otherwise, so a window is never out of reach.

#include <QObject>

#include <functional>

namespace numira::platform {

// Whether a notification area can hold the tray icon right now: an XEmbed
// tray, or a StatusNotifierItem host (which gets the tray shell's own item).
bool NotificationAreaAvailable();

// Calls changed whenever a notification area may have come or gone: an
// XEmbed tray taking or giving up its selection, a StatusNotifierItem watcher
// joining or leaving the session bus (a late panel at login, a panel that
// crashed or restarted). NotificationAreaAvailable then gives the new answer.
// The watch lasts as long as context.
void WatchNotificationArea(QObject* context, std::function<void()> changed);

// Keeps the program's windows off the taskbar or puts them back on it:
// every top-level window now, and each one again whenever it is shown, since
// the window manager forgets the state when a window is hidden. On X11 this
// is the _NET_WM_STATE_SKIP_TASKBAR state; nothing else about the windows
// (focus, stacking, closing) changes. Without X11 only the choice is kept.
// One per program, living as long as its windows.
class TaskbarKeeper : public QObject {
 public:
  TaskbarKeeper();
  ~TaskbarKeeper() override;
  TaskbarKeeper(const TaskbarKeeper&) = delete;
  TaskbarKeeper& operator=(const TaskbarKeeper&) = delete;

  void KeepOff(bool off);
  bool KeptOff() const { return off_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool off_ = false;
  bool chosen_ = false;  // false until the first KeepOff
};

}  // namespace numira::platform
