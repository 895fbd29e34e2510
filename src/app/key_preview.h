// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Key preview for the main window: sees every key pressed in the window
// before the focused control does, hands it to the window's key handlers,
// and lets it go on to the control. The exceptions are the ones a desktop
// dialog makes: Enter presses a focused push button instead (so one Enter
// never evaluates twice), the arrow keys walk the keypad panel, and the copy
// keys copy.

#include <QObject>

namespace numira {

class TForm1;

class KeyPreview : public QObject {
 public:
  // Installs itself on the application for the given window.
  explicit KeyPreview(TForm1& form);
  ~KeyPreview() override;

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Moves the focus from a keypad control to the next or previous one in the
  // panel's control order, wrapping around, tab stops disregarded.
  void MoveFocusInKeypad(QWidget* from, bool forward);

  TForm1& form_;
};

}  // namespace numira
