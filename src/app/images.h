// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The program's pictures: XPM images read without guessing their format,
// 16-colour glyph bitmaps with a transparent colour (the application icon is
// app/application_icon.h).

class QIcon;
class QImage;
class QString;

namespace numira::platform {

// Reads one of the program's XPM images with Qt's own XPM reader. Left to
// guess, Qt would first load every image format plugin (and libraries such as
// libjpeg) to ask each whether it knows the file, a few milliseconds at
// start. A file that is not XPM gives a null image.
QImage LoadXpm(const QString& path);

// A glyph bitmap as a button shows it: the image's left half is the picture
// for normal use, the right half the one for the disabled state. Pixels of the
// bitmap's bottom-left colour are transparent. A null image gives a null icon.
QIcon GlyphIcon(const QImage& bitmap);

}  // namespace numira::platform
