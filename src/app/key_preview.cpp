// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/key_preview.h"

#include <QApplication>
#include <QKeyEvent>

#include "app/Kelto_.h"

namespace numira {

namespace {

Key KeyOf(const QKeyEvent& key) {
  // The keypad's decimal key: Qt reports KP_Decimal as the period key and
  // KP_Separator as the comma key, each with the keypad modifier.
  if ((key.modifiers() & Qt::KeypadModifier) && (key.key() == Qt::Key_Period || key.key() == Qt::Key_Comma)) {
    return Key::KeypadDecimal;
  }
  switch (key.key()) {
    case Qt::Key_Backspace: return Key::Backspace;
    case Qt::Key_Home: return Key::Home;
    case Qt::Key_Return:
    case Qt::Key_Enter: return Key::Enter;
    case Qt::Key_Escape: return Key::Escape;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return Key::Tab;
    case Qt::Key_Left: return Key::Left;
    case Qt::Key_Up: return Key::Up;
    case Qt::Key_Right: return Key::Right;
    case Qt::Key_Down: return Key::Down;
    case Qt::Key_Insert: return Key::Insert;
    case Qt::Key_C: return Key::C;
    case Qt::Key_V: return Key::V;
    default: return Key::Other;
  }
}

}  // namespace

KeyPreview::KeyPreview(Form1Widget& form) : form_(form) { qApp->installEventFilter(this); }

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
  const Qt::KeyboardModifiers held = key->modifiers();
  // Shift+Tab comes as the back-tab key, with or without Shift.
  const KeyStroke stroke{KeyOf(*key), (held & Qt::ShiftModifier) || key->key() == Qt::Key_Backtab,
                         (held & Qt::ControlModifier) != 0, (held & Qt::AltModifier) != 0};
  if (form_.Form().KeyPreview(stroke)) return true;
  if (stroke.ctrl || stroke.alt) return false;
  // The characters, without control characters (Enter's, Backspace's).
  QString typed = key->text();
  typed.removeIf([](QChar ch) { return ch.category() == QChar::Other_Control; });
  for (const char32_t ch : typed.toUcs4()) form_.Form().FormKeyPress(ch);
  return false;
}

}  // namespace numira
