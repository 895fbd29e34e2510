// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The window manager's side of a top-level window: the platform that reaches
// it, the topmost band, the frame it adds, and following its own choice of
// the band. The X11 pieces are in platform_x11.cpp.

#include <QMargins>
#include <Qt>

#include <functional>

class QWidget;

namespace numira::platform {

// Chooses Qt's xcb platform when the session offers an X display (also under
// XWayland) and no platform was chosen explicitly: window positions and the
// stacking band need X11. Call before the application object is made.
void PreferX11Platform();

// Puts a top-level window into the topmost band or back into the normal one,
// on the live window and without hiding it (SetWindowPos with HWND_TOPMOST /
// HWND_NOTOPMOST). Before the window exists natively the flag is kept for it.
// Only the topmost band is the program's: a window the window manager keeps
// below the others (the user's choice in its menu) stays there, unless it
// goes into the topmost band.
void SetWindowTopmost(QWidget* window, bool topmost);

// The window flags for that: `flags` with the stays-on-top hint as asked,
// and the stays-on-bottom hint where the window manager keeps the window
// below and it does not go on top (Qt asks the manager for the bottom state
// its flags give, so a hint left out would take the window out of it).
Qt::WindowFlags StackingFlags(Qt::WindowFlags flags, bool topmost, bool kept_below);

// The frame and caption the window manager adds around a top-level window:
// Qt's frame geometry once the window has been framed, before that the
// manager's own estimate (_NET_FRAME_EXTENTS on request); zero margins where
// neither is known (no window manager, or one that gives no estimate).
QMargins FrameMargins(QWidget* window);

// Readies a top-level window for its first show: its native window is made
// and the window manager asked ahead for the frame it will add, so that
// FrameMargins finds the answer instead of waiting for it.
void PrepareFirstShow(QWidget* window);

// Calls changed(above) whenever the window manager puts the shown window into
// the topmost band or takes it out (its window menu's "always on top"), so
// the program can follow a choice made outside it.
void FollowWindowManagerStaysOnTop(QWidget* window, std::function<void(bool above)> changed);

}  // namespace numira::platform
