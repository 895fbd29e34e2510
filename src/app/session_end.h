// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The Qt side of the session's end (app/session_end_posix.h): keeps the
// stored-at-the-end settings current with the main window on every move,
// view switch and always-on-top change, and on SIGTERM or SIGHUP stores them
// and ends the event loop. The settings are stored at exit() too (the X
// server gone), until the program ends the ordinary way.

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

  Form1Widget& form_;
};

}  // namespace numira
