// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The Qt side of the session's end (app/session_end_posix.h): keeps the
// stored-at-the-end settings current with the main window on every move,
// view switch and always-on-top change, and on SIGTERM or SIGHUP stores them
// and ends the program. The settings are stored at exit() too (the X server
// gone), until the program ends the ordinary way. A session's end always ends
// the program: a store that fails shows nothing, and no window is asked
// whether it may close, also while the readme window or an error box is open.

#include <QObject>

class QSocketNotifier;

namespace numira {

class Form1Widget;

class SessionEndWatch : public QObject {
 public:
  // `form` is the shown main window; it must outlive this watch.
  explicit SessionEndWatch(Form1Widget& form);
  // The ordinary end: nothing more is stored at exit().
  ~SessionEndWatch() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Record();
  // Ends the program's event loops, nested ones included, without asking a
  // window to close.
  static void LeaveEventLoops();

  Form1Widget& form_;
};

}  // namespace numira
