#pragma once
// Small stand-ins for the Windows calls the main window was first described
// with: fonts named by their Windows faces, 16-colour glyph bitmaps with a
// transparent colour, the topmost z-order band and the general error box.
// Everything tied to X11 and the desktop lives here, so the window code stays
// portable.

#include <QStringList>

#include <functional>

class QFont;
class QIcon;
class QImage;
class QWidget;

namespace numira::platform {

// The families to ask for a Windows face: the face itself first, then the
// installed faces that stand in for it (IPA Gothic faces are metric-compatible
// with the Windows Gothic faces):
//   "MS UI Gothic", "ＭＳ Ｐゴシック" -> face, IPAPGothic, IPAGothic
//   "ＭＳ ゴシック"                   -> face, IPAGothic, IPAPGothic
//   "Small Fonts"                    -> face, DejaVu Sans, IPAPGothic
// Any other face is asked for alone.
QStringList FontFamilies(const QString& windows_face);

// A font of the given Windows face at a character height in pixels.
QFont WindowsFont(const QString& windows_face, int pixel_height);

// A glyph bitmap as a button shows it: the image's left half is the picture
// for normal use, the right half the one for the disabled state. Pixels of the
// bitmap's bottom-left colour are transparent. A null image gives a null icon.
QIcon GlyphIcon(const QImage& bitmap);

// Puts a top-level window into the topmost band or back into the normal one,
// on the live window and without hiding it (SetWindowPos with HWND_TOPMOST /
// HWND_NOTOPMOST). Before the window exists natively the flag is kept for it.
void SetWindowTopmost(QWidget* window, bool topmost);

// Shows the general error box: modal, stop icon, one OK button, the given
// caption and text. Returns when the user has closed it.
void ShowErrorBox(QWidget* parent, const QString& caption, const QString& text);

// Tests replace the modal box with a recorder, so no test ever waits in a
// modal loop. Returns the presenter that was in force; an empty function
// restores the real box.
using ErrorBoxPresenter = std::function<void(QWidget* parent, const QString& caption, const QString& text)>;
ErrorBoxPresenter SetErrorBoxPresenter(ErrorBoxPresenter presenter);

}  // namespace numira::platform
