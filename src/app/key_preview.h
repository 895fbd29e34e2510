// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Key preview for the main window: sees every key pressed in the window
// before the focused control does and hands it to TForm1's key preview as a
// toolkit-free key stroke. A key it does not use up goes on to the control,
// and the characters the key types (none while Ctrl or Alt is held) go to
// FormKeyPress, as a platform's character message would.

#include <QObject>

namespace numira {

class Form1Widget;

class KeyPreview : public QObject {
 public:
  // Installs itself on the application for the given window.
  explicit KeyPreview(Form1Widget& form);
  ~KeyPreview() override;

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Form1Widget& form_;
};

}  // namespace numira
