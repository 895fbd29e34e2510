// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The main window as the program's frame: start-up, hiding into the tray and
// restoring, the readme button, and the close and destroy handlers.

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QPushButton>
#include <QSessionManager>
#include <QSignalBlocker>
#include <QTimer>

#include <utility>

#include "app/Kelto_.h"
#include "app/application_icon.h"
#include "app/form_settings.h"
#include "app/helupu_.h"
#include "app/platform.h"
#include "core/inifile_.h"

namespace numira {

namespace {

const QString kTrayTip = QStringLiteral("Numira");

// The open readme window (modal to the main window) brought back from a
// minimize, raised and given the input: a main window restored without it
// would take nothing, with no way to the window that does.
void RestoreModalWindow(QWidget* modal) {
  if (modal == nullptr) return;
  modal->setWindowState(modal->windowState() & ~Qt::WindowMinimized);
  modal->raise();
  modal->activateWindow();
}

}  // namespace

std::unique_ptr<TForm1> TForm1::Create(FrameSurroundings surroundings) {
  QApplication::setWindowIcon(ApplicationIcon());
  auto form = std::make_unique<TForm1>(std::move(surroundings));
  form->RunHandler([&form] { form->FormCreate(); });
  // As the event loop would: the main window is visible when the program
  // runs, even if its create handler stopped before showing it.
  if (!form->isVisible()) form->show();

  // Closing this window ends the program; another window closing (the readme
  // window, an error box) never does, even while this one is in the tray.
  form->main_window_ = true;
  // Watched from the first turn of the event loop, off the way to the first
  // map; the look then catches a change made before the watch began.
  QTimer::singleShot(0, form.get(), [window = form.get()] {
    platform::WatchNotificationArea(window, [window] { window->NotificationAreaChanged(); });
    window->NotificationAreaChanged();
  });
  platform::FollowWindowManagerStaysOnTop(form.get(), [window = form.get()](bool above) {
    window->WindowManagerStaysOnTop(above);
  });
  QGuiApplication::setQuitOnLastWindowClosed(false);
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, form.get(),
                   [window = form.get()](QSessionManager& manager) {
                     // The cancel rides on the end of the interaction, so it comes first.
                     if (!window->QueryEndSession([&manager] { return manager.allowsErrorInteraction(); })) {
                       manager.cancel();
                       manager.release();
                     }
                   });
  return form;
}

void TForm1::FormCreate() {
  TaskTrayMini1->SetIcon(kTrayAdd, TrayIcon(), kTrayTip);
  // The window still has its creation size (client 437 x 208), which is what
  // the monitor rule measures; the view mode sets the size at the show.
  // The rule measures the outer size, so the window manager's frame counts.
  FormSettingsWindow window(*this, platform::FrameMargins(this));
  LoadSettings(SettingsPath(), window, ViewFlags{stay_on_top_, standard_view_}, ScreenMonitors());
  show();
}

void TForm1::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  // Back from the taskbar: a minimized window that is restored is shown
  // again, like a restore from the tray.
  const bool was_minimized = static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized;
  if (was_minimized && !isMinimized() && isVisible()) {
    FormShow();
    // Window managers minimize the readme window with this one.
    if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal->isMinimized()) {
      RestoreModalWindow(modal);
    }
  }
}

void TForm1::BitBtn1Click() {
  RunHandler([this] {
    // The taskbar entry follows the notification area, which may have come
    // or gone since the start.
    const bool tray = platform::NotificationAreaAvailable();
    platform::KeepOffTaskbar(tray);
    if (tray) {
      hide();
    } else {
      showMinimized();
    }
  });
}

void TForm1::TaskTrayMini1MouseDown(QObject*, TMouseButton, TShiftState, int, int) {
  RunHandler([this] {
    // The open readme window takes the input meanwhile; a press also brings
    // it back when the window manager minimized it (with this window or alone).
    QWidget* modal = QApplication::activeModalWidget();
    const bool modal_minimized = modal != nullptr && modal->isMinimized();
    if (isVisible() && !isMinimized() && !modal_minimized) {
      hide();
      return;
    }
    // Either step runs FormShow: the restore of a minimized window through
    // changeEvent, the show of a hidden one through showEvent.
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    RestoreModalWindow(modal);
  });
}

void TForm1::NotificationAreaChanged() {
  RunHandler([this] {
    const bool tray = platform::NotificationAreaAvailable();
    platform::KeepOffTaskbar(tray);
    if (tray || isVisible()) return;
    // Hidden into a tray that is gone: shown again, on the taskbar.
    show();
    raise();
    activateWindow();
  });
}

void TForm1::WindowManagerStaysOnTop(bool above) {
  if (above == stay_on_top_) return;
  // The manager has already moved the window; the window's own flag follows
  // (asking the manager for the state it has), and the box is set quietly,
  // since its handler would only repeat that.
  stay_on_top_ = above;
  platform::SetWindowTopmost(this, above);
  const QSignalBlocker quiet(CheckBox1);
  CheckBox1->setChecked(above);
}

void TForm1::BitBtn2Click() {
  RunHandler([this] {
    if (surroundings_.show_readme) {
      surroundings_.show_readme(this);
    } else if (TFormvajon* readme = ReadmeWindow(); readme != nullptr) {
      readme->ShowModalFor(this);
    }
  });
  // The input goes back to this window, as the window manager may not hand
  // it back by itself to a window kept off the taskbar.
  if (isVisible()) activateWindow();
  BitBtn2->setFocus(Qt::OtherFocusReason);
}

void TForm1::FormCloseQuery(bool& CanClose) {
  const FormSettingsWindow window(*this);
  SaveSettings(SettingsPath(), window, ViewFlags{stay_on_top_, standard_view_});
  CanClose = true;
}

void TForm1::closeEvent(QCloseEvent* event) {
  bool can_close = true;
  const bool stored = RunHandler([&] { FormCloseQuery(can_close); });
  event->setAccepted(stored && can_close);
  if (event->isAccepted() && main_window_) QCoreApplication::quit();
}

bool TForm1::QueryEndSession(const std::function<bool()>& may_show_error) {
  bool can_close = true;
  bool shown = false;
  const bool stored = RunHandler([&] { FormCloseQuery(can_close); }, [&] { return shown = may_show_error(); });
  return (stored && can_close) || !shown;
}

void TForm1::FormDestroy() { TaskTrayMini1->SetIcon(kTrayDelete, TrayIcon(), kTrayTip); }

std::string TForm1::SettingsPath() const {
  return surroundings_.settings_path ? surroundings_.settings_path() : SettingsFilePath();
}

}  // namespace numira
