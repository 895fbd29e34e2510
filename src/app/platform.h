// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Small stand-ins for the Windows calls the main window was first described
// with: fonts named by their Windows faces, 16-colour glyph bitmaps with a
// transparent colour, the topmost z-order band, the general error box, the
// notification area's presence and keeping the program off the taskbar.
// Everything tied to the desktop lives here (the X11 pieces in
// platform_x11.cpp), so the window code stays portable.

#include <QMargins>
#include <QStringList>

#include <functional>

class QFont;
class QIcon;
class QImage;
class QObject;
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

// Reads one of the program's XPM images with Qt's own XPM reader. Left to
// guess, Qt would first load every image format plugin (and libraries such as
// libjpeg) to ask each whether it knows the file, a few milliseconds at
// start. A file that is not XPM gives a null image.
QImage LoadXpm(const QString& path);

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

// Chooses Qt's xcb platform when the session offers an X display (also under
// XWayland) and no platform was chosen explicitly: window positions and the
// stacking band need X11. Call before the application object is made.
void PreferX11Platform();

// Whether a notification area can hold the tray icon right now. Tests replace
// the probe; an empty probe restores the desktop's answer.
bool NotificationAreaAvailable();
using NotificationAreaProbe = std::function<bool()>;
NotificationAreaProbe SetNotificationAreaProbe(NotificationAreaProbe probe);

// Keeps the program's windows off the taskbar (off = true) or puts them back
// on it: every top-level window now, and each one again whenever it is shown,
// since the window manager forgets the state when a window is hidden. On X11
// this is the _NET_WM_STATE_SKIP_TASKBAR state; nothing else about the
// windows (focus, stacking, closing) changes. Without X11 only the choice is
// kept.
void KeepOffTaskbar(bool off);
bool KeptOffTaskbar();

// Calls changed whenever a notification area may have come or gone: an
// XEmbed tray taking or giving up its selection, a StatusNotifierItem watcher
// joining or leaving the session bus (a late panel at login, a panel that
// crashed or restarted). NotificationAreaAvailable then gives the new answer.
// The watch lasts as long as context.
void WatchNotificationArea(QObject* context, std::function<void()> changed);

// The frame and caption the window manager adds around a top-level window:
// Qt's frame geometry once the window has been framed, before that the
// manager's own estimate (_NET_FRAME_EXTENTS on request); zero margins where
// neither is known (no window manager, or one that gives no estimate).
QMargins FrameMargins(QWidget* window);

// Calls changed(above) whenever the window manager puts the shown window into
// the topmost band or takes it out (its window menu's "always on top"), so
// the program can follow a choice made outside it.
void FollowWindowManagerStaysOnTop(QWidget* window, std::function<void(bool above)> changed);

}  // namespace numira::platform
