// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/key_preview.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>

#include "app/Kelto_.h"

namespace numira {

namespace {

// The keypad's decimal key: Qt reports KP_Decimal as the period key and
// KP_Separator as the comma key, each with the keypad modifier.
bool IsKeypadDecimalKey(const QKeyEvent& key) {
  return (key.modifiers() & Qt::KeypadModifier) && (key.key() == Qt::Key_Period || key.key() == Qt::Key_Comma);
}

}  // namespace

KeyPreview::KeyPreview(TForm1& form) : form_(form) { qApp->installEventFilter(this); }

KeyPreview::~KeyPreview() { qApp->removeEventFilter(this); }

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != &form_) return false;
  // A key the focused control leaves alone travels on to its parents, and the
  // application's filters see it again at each: act on the first delivery only.
  QWidget* receiver = form_.focusWidget() != nullptr ? form_.focusWidget() : &form_;
  if (widget != receiver) return false;

  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->matches(QKeySequence::Copy)) {
    form_.CopyToClipboard();
    return true;  // types nothing into the calculator
  }

  const Qt::KeyboardModifiers held = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  switch (key->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
      // Buttons do not use the arrow keys themselves (the display field and
      // the history panel do, and are left alone).
      if (qobject_cast<QAbstractButton*>(widget) != nullptr && std::ranges::count(form_.KeypadOrder(), widget) > 0) {
        MoveFocusInKeypad(widget, key->key() == Qt::Key_Right || key->key() == Qt::Key_Down);
        return true;
      }
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // A plain Enter on a push button presses it and goes no further.
      if (auto* button = qobject_cast<QPushButton*>(widget); button != nullptr && held == Qt::NoModifier) {
        button->click();
        return true;
      }
      break;
    default:
      break;
  }

  form_.FormKeyDown(key->key());
  if (held & (Qt::ControlModifier | Qt::AltModifier)) return false;
  // The numeric keypad's decimal key types the decimal point whatever its
  // layout makes it send: "." on some keyboards, "," on a German one.
  if (IsKeypadDecimalKey(*key)) {
    form_.Perform(Action::Point);
    return false;
  }
  // Characters come with the key, as a platform's character message would
  // (none while Ctrl or Alt is held, as above), without control characters.
  QString typed = key->text();
  typed.removeIf([](QChar ch) { return ch.category() == QChar::Other_Control; });
  if (!typed.isEmpty()) form_.FormKeyPress(typed);
  return false;
}

void KeyPreview::MoveFocusInKeypad(QWidget* from, bool forward) {
  const auto& order = form_.KeypadOrder();
  const auto it = std::ranges::find(order, from);
  const auto count = static_cast<std::ptrdiff_t>(order.size());
  const std::ptrdiff_t index = it - order.begin();
  const std::ptrdiff_t next = (index + (forward ? 1 : count - 1)) % count;
  order[static_cast<std::size_t>(next)]->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

}  // namespace numira
