// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/TaskTrayMini.h"

#include <QCoreApplication>
#include <QMenu>
#include <algorithm>
#include <cstring>
#include <utility>


namespace numira {

// ---- TMyCallback ----

TMyCallback::TMyCallback(QWidget* owner, TrayModule* module) : QWidget(owner), module_(module) {
  setObjectName(QStringLiteral("TMyCallback"));
  setFixedSize(0, 0);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  // Never shown: it only receives posted callback messages.
  setVisible(false);
}

bool TMyCallback::event(QEvent* e) {
  if (e->type() != TrayCallbackEvent::EventType()) return QWidget::event(e);
  const auto* message = static_cast<TrayCallbackEvent*>(e);
  if (message->Message() == kTrayCallbackMessage && module_ != nullptr) {
    // The dispatch may run nested event processing that destroys this
    // window; nothing of it is touched afterwards.
    module_->Dispatch(message->WParam(), message->LParam());
  }
  return true;
}

// ---- TrayModule ----

TrayModule::TrayModule(TrayShell& shell) : shell_(shell) {}

TrayModule::~TrayModule() {
  if (callback_window_) callback_window_->module_ = nullptr;
}

TMyCallback* TrayModule::CallbackWindowFor(QWidget* owner) {
  if (!callback_window_) callback_window_ = new TMyCallback(owner, this);
  return callback_window_;
}

int TrayModule::Register(TTaskTrayMini* component) {
  return registry_.Register(component);
}

void TrayModule::Dispatch(quintptr wParam, qintptr lParam) {
  TTaskTrayMini* component = registry_.Find(wParam);
  if (component == nullptr) return;
  component->HandleMouseMessage(lParam, shell_.CursorPos());
}

// ---- TTaskTrayMini ----

TTaskTrayMini::TTaskTrayMini(QWidget* owner, TrayModule& module)
    : QObject(owner), owner_(owner), module_(module) {
  Q_ASSERT(owner != nullptr);
  module_.CallbackWindowFor(owner_);
  icon_id_ = module_.Register(this);
  icon_data_ = std::make_unique<NotifyIconRecord>();
  icon_data_->cbSize = kNotifyRecordSize;
  icon_data_->uCallbackMessage = kTrayCallbackMessage;
  icon_data_->uID = static_cast<std::uint32_t>(icon_id_);
}

TTaskTrayMini::~TTaskTrayMini() = default;

QMenu* TTaskTrayMini::PopupMenuR() const { return popup_menu_r_; }

void TTaskTrayMini::SetPopupMenuR(QMenu* menu) {
  // QPointer is the notice of the menu's destruction: it reads null from then on.
  if (popup_menu_r_ != menu) popup_menu_r_ = menu;
}

void TTaskTrayMini::SetIcon(std::uint8_t action, const QIcon& icon, const QString& tip) {
  NotifyIconRecord& record = *icon_data_;
  record.cbSize = kNotifyRecordSize;
  record.hWnd = module_.CallbackWindowFor(owner_);
  record.uID = static_cast<std::uint32_t>(icon_id_);
  record.uFlags = kNifMessage | kNifIcon | kNifTip;
  record.hIcon = icon;
  record.uCallbackMessage = kTrayCallbackMessage;
  CopyTip(record.szTip, tip.toUtf8().toStdString());

  TrayShell& shell = module_.Shell();
  switch (action) {
    case kTrayAdd: shell.Add(record); break;
    case kTrayModify: shell.Modify(record); break;
    case kTrayDelete: shell.Delete(record); break;
    default: break;
  }
}

void TTaskTrayMini::HandleMouseMessage(qintptr lParam, QPoint cursor) {
  // A row that fires brings the owner to the front, makes its call, then lets
  // waiting events run (a handler may be entered again from there). Nothing
  // of this component is touched after the call: the handler may destroy it.
  TrayShell& shell = module_.Shell();
  QWidget* owner = owner_;

  if (lParam == kRightButtonUp) {
    QPointer<QMenu> menu = popup_menu_r_;
    if (!menu) return;
    shell.SetForegroundWindow(owner);
    if (menu) menu->popup(cursor);
    QCoreApplication::processEvents();
    return;
  }

  FireTrayMouseEvent(
      *this, lParam, cursor.x(), cursor.y(), [&] { shell.SetForegroundWindow(owner); },
      [] { QCoreApplication::processEvents(); });
}

}  // namespace numira
