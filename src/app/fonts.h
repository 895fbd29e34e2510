// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Fonts asked for by their Windows faces, with the installed faces that
// stand in for them.

#include <QString>
#include <QStringList>

class QFont;

namespace numira::platform {

// The families to ask for a Windows face: the face itself first, then the
// installed faces that stand in for it (IPA Gothic faces are metric-compatible
// with the Windows Gothic faces):
//   "MS UI Gothic", "ＭＳ Ｐゴシック" -> face, IPAPGothic, IPAGothic
//   "ＭＳ ゴシック"                   -> face, IPAGothic, IPAPGothic
//   "Small Fonts"                    -> face, DejaVu Sans, IPAPGothic
// Any other face is asked for alone.
QStringList FontFamilies(const QString& windows_face);

// The family a font of the Windows face is drawn in: the first of
// FontFamilies(windows_face) that the machine has, or the face itself when it
// has none of them. Asked for alone, it is the face Qt would have settled on
// anyway, found at once: a family that is not installed sends Qt through
// fontconfig's whole fallback list for it, and a second family makes it sort
// that list for the first one too, both once per font and script at the first
// paint. A character that family lacks still comes from Qt's fallbacks.
QString InstalledFontFamily(const QString& windows_face);

// A font of the given Windows face at a character height in pixels.
QFont WindowsFont(const QString& windows_face, int pixel_height);

}  // namespace numira::platform
