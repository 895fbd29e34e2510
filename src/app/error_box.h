// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The general error box.

class QString;
class QWidget;

namespace numira::platform {

// Shows the general error box: modal, stop icon, one OK button, the given
// caption and text. Returns when the user has closed it, and gives the input
// back to the window it was shown over.
void ShowErrorBox(QWidget* parent, const QString& caption, const QString& text);

}  // namespace numira::platform
