// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The program's pictures: the XPM images compiled into the program, and
// 16-colour glyph bitmaps with a transparent colour (the application icon is
// app/application_icon.h).

class QIcon;
class QImage;

namespace numira::platform {

// A glyph bitmap by its file name in src/app/resources, as the control table
// names it ("glyph_minimize.xpm", "glyph_readme.xpm"); a null image for any
// other name. The XPM texts are compiled in and decoded by QImage itself:
// reading them as files (from Qt resources) would first have Qt look through
// its image format plugins, a millisecond or two at start.
QImage GlyphPicture(const char* file_name);

// A glyph bitmap as a button shows it: the image's left half is the picture
// for normal use, the right half the one for the disabled state. Pixels of the
// bitmap's bottom-left colour are transparent. A null image gives a null icon.
QIcon GlyphIcon(const QImage& bitmap);

}  // namespace numira::platform
