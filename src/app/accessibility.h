// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// What screen readers see of the main window (AT-SPI through Qt's bridge):
// the window as a frame, a name on every control whose face shows no text,
// the display field's text with the view switch as an action, and the
// history panel's whole tape as text, with an event for every appended line.
//
// Qt asks the factory installed here for an interface only while an
// assistive technology is listening, so none of this costs anything
// otherwise.

#include <QString>

class QWidget;

namespace numira {

// The name of the display field's action that switches between the standard
// and the compact view, as a double-click does.
inline constexpr char kSwitchViewAction[] = "切り替え";

// Installs the factory for the main window, its display field and its
// history panel; once per process, later calls do nothing.
void InstallAccessibleInterfaces();

// Gives the controls of `main_window` (TForm1) their accessible names: the
// glyph buttons, the display field and the history panel.
void NameControlsForScreenReaders(QWidget& main_window);

}  // namespace numira
