// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/TaskTrayMini.h"

#include <QCoreApplication>
#include <QMenu>
#include <algorithm>
#include <cstring>
#include <utility>

#include "app/qt_tray_shell.h"

namespace numira {

namespace {

// The mouse messages that raise an event: the event, its gate, and the button
// and shift state it is raised with. Shift never carries the keyboard state.
struct MouseEventRow {
  int message;
  TMouseEvent TTaskTrayMini::*event;
  bool TTaskTrayMini::*enabled;
  TMouseButton button;
  TShiftState shift;
};

const MouseEventRow kMouseEventRows[] = {
    {kLeftButtonDown, &TTaskTrayMini::OnMouseDown, &TTaskTrayMini::EnableMouseDown,
     TMouseButton::Left, ssLeft},
    {kLeftButtonUp, &TTaskTrayMini::OnMouseUp, &TTaskTrayMini::EnableMouseUp,
     TMouseButton::Left, ssLeft},
    {kMiddleButtonDown, &TTaskTrayMini::OnMMouseDown, &TTaskTrayMini::EnableMMouseDown,
     TMouseButton::Middle, ssMiddle},
    {kMiddleButtonUp, &TTaskTrayMini::OnMMouseUp, &TTaskTrayMini::EnableMMouseUp,
     TMouseButton::Middle, ssMiddle},
};

// Copies the tip's bytes up to its end (or a zero byte) or 63 bytes, whichever
// comes first, and closes it with a zero byte. A multi-byte character that
// straddles the limit is cut like any other byte.
void CopyTip(char (&target)[kTipBytes], const QByteArray& tip) {
  const auto length = std::min<std::size_t>(std::strlen(tip.constData()), kTipBytes - 1);
  std::memcpy(target, tip.constData(), length);
  target[length] = '\0';
}

}  // namespace

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
  if (callbackWindow_) callbackWindow_->module_ = nullptr;
}

TrayModule& TrayModule::Instance() {
  static QtTrayShell shell;
  static TrayModule module(shell);
  return module;
}

TMyCallback* TrayModule::CallbackWindowFor(QWidget* owner) {
  if (!callbackWindow_) callbackWindow_ = new TMyCallback(owner, this);
  return callbackWindow_;
}

int TrayModule::Register(TTaskTrayMini* component) {
  const int id = registry_.empty() ? 1 : std::stoi(registry_.back().text) + 1;
  registry_.push_back({std::to_string(id), component});
  return id;
}

void TrayModule::Dispatch(quintptr wParam, qintptr lParam) {
  const std::string text = std::to_string(wParam);
  const auto entry = std::find_if(registry_.begin(), registry_.end(),
                                  [&](const Entry& e) { return e.text == text; });
  if (entry == registry_.end() || !entry->component) return;
  // The registry may grow while the handler runs; keep the component, not the
  // iterator.
  TTaskTrayMini* component = entry->component;
  component->HandleMouseMessage(lParam, shell_.CursorPos());
}

// ---- TTaskTrayMini ----

TTaskTrayMini::TTaskTrayMini(QWidget* owner) : TTaskTrayMini(owner, TrayModule::Instance()) {}

TTaskTrayMini::TTaskTrayMini(QWidget* owner, TrayModule& module)
    : QObject(owner), owner_(owner), module_(module) {
  Q_ASSERT(owner != nullptr);
  module_.CallbackWindowFor(owner_);
  iconId_ = module_.Register(this);
  iconData_ = std::make_unique<NotifyIconRecord>();
  iconData_->cbSize = kNotifyRecordSize;
  iconData_->uCallbackMessage = kTrayCallbackMessage;
  iconData_->uID = static_cast<std::uint32_t>(iconId_);
}

TTaskTrayMini::~TTaskTrayMini() = default;

QMenu* TTaskTrayMini::PopupMenuR() const { return popupMenuR_; }

void TTaskTrayMini::SetPopupMenuR(QMenu* menu) {
  // QPointer is the notice of the menu's destruction: it reads null from then on.
  if (popupMenuR_ != menu) popupMenuR_ = menu;
}

void TTaskTrayMini::SetIcon(std::uint8_t action, const QIcon& icon, const QString& tip) {
  NotifyIconRecord& record = *iconData_;
  record.cbSize = kNotifyRecordSize;
  record.hWnd = module_.CallbackWindowFor(owner_);
  record.uID = static_cast<std::uint32_t>(iconId_);
  record.uFlags = kNifMessage | kNifIcon | kNifTip;
  record.hIcon = icon;
  record.uCallbackMessage = kTrayCallbackMessage;
  CopyTip(record.szTip, tip.toUtf8());

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
    QPointer<QMenu> menu = popupMenuR_;
    if (!menu) return;
    shell.SetForegroundWindow(owner);
    if (menu) menu->popup(cursor);
    QCoreApplication::processEvents();
    return;
  }

  const auto row = std::find_if(std::begin(kMouseEventRows), std::end(kMouseEventRows),
                                [&](const MouseEventRow& r) { return r.message == lParam; });
  if (row == std::end(kMouseEventRows)) return;
  // A copy, so the handler stays alive even if it destroys this component.
  TMouseEvent handler = this->*(row->event);
  if (!handler || !(this->*(row->enabled))) return;
  shell.SetForegroundWindow(owner);
  handler(this, row->button, row->shift, cursor.x(), cursor.y());
  QCoreApplication::processEvents();
}

}  // namespace numira
