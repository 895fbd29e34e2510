// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Qt's own texts (the history panel's "Copy" and "Select All", the message
// box's button) in the user's language, from the translations Qt ships
// (Debian: qt6-translations-l10n). Where none exists they stay English.

#include <QString>

class QLocale;

namespace numira {

// Installs Qt's qtbase translation for `locale` into the application;
// returns whether one was found. Call once, after the application exists.
bool LoadQtTexts(const QLocale& locale);

// The entries of a read-only text field's context menu, in the language of
// the translation installed: the very texts of Qt's own read-only line edit
// (QLineEdit, a public class, translates them under its name).
//   English: "&Copy", "Select All"   Japanese: "コピー(&C)", "すべてを選択"
struct ReadOnlyTextMenu {
  QString copy;
  QString select_all;
};
ReadOnlyTextMenu ReadOnlyTextMenuTexts();

}  // namespace numira
