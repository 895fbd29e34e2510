// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/session_end.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>

#include "app/Kelto_.h"
#include "app/form_settings.h"
#include "app/session_end_posix.h"

namespace numira {

SessionEndWatch::SessionEndWatch(Form1Widget& form) : form_(form) {
  session_end::Install();
  Record();
  // Application-wide: the window's moves and resizes, and the application's
  // quit request.
  qApp->installEventFilter(this);
  // Queued: recorded once the handler that changed the box (a click, a show,
  // the window manager's choice) has set the flag.
  connect(form_.CheckBox1, &QCheckBox::toggled, this, [this] { Record(); }, Qt::QueuedConnection);
  if (session_end::SignalFd() >= 0) {
    auto* notifier = new QSocketNotifier(session_end::SignalFd(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [] {
      session_end::StoreAfterSignal();
      LeaveEventLoops();
    });
  }
}

void SessionEndWatch::LeaveEventLoops() {
  // exit(), not quit(): quit() asks every window to close, and the main
  // window's close stores the settings again and, when that fails, keeps the
  // program with the error box. exit() ends every running event loop at once,
  // the readme window's and an open error box's too, and no new one starts.
  QCoreApplication::exit(0);
}

SessionEndWatch::~SessionEndWatch() { session_end::Disarm(); }

bool SessionEndWatch::eventFilter(QObject* watched, QEvent* event) {
  // The program quits when its main window has closed, or when the session
  // manager ends the session after its save request (the main window's
  // commitDataRequest): either has stored the settings. Qt would ask every
  // window to close first, the main window's close would store once more.
  if (watched == qApp && event->type() == QEvent::Quit) {
    session_end::Disarm();
    LeaveEventLoops();
    return true;
  }
  // A view switch always changes the size, so a resize records the flag.
  if (watched == &form_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) Record();
  return QObject::eventFilter(watched, event);
}

void SessionEndWatch::Record() {
  const FormSettingsWindow window(form_);
  session_end::Update({window.Left(), window.Top(), form_.Form().StayOnTop(), form_.Form().StandardView()});
}

}  // namespace numira
