// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/error_box.h"

#include <QMessageBox>
#include <QWidget>

namespace numira::platform {

void ShowErrorBox(QWidget* parent, const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
  box.exec();
  // The input goes back to the window the box was shown over, as the window
  // manager may not hand it back by itself to a window kept off the taskbar.
  if (parent != nullptr && parent->window()->isVisible()) parent->window()->activateWindow();
}

}  // namespace numira::platform
