// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Qt's own texts (the history panel's "Copy" and "Select All", the message
// box's button) in the user's language, from the translations Qt ships
// (Debian: qt6-translations-l10n). Where none exists they stay English.

class QLocale;

namespace numira {

// Installs Qt's qtbase translation for `locale` into the application;
// returns whether one was found. Call once, after the application exists.
bool LoadQtTexts(const QLocale& locale);

}  // namespace numira
