// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The X11 half of the platform stand-ins (platform_x11.cpp), used by
// platform.cpp. Without X11 (platform_no_x11.cpp) each does nothing and
// reports nothing. All of them act only on Qt's xcb platform, through Qt's
// own connection to the X server.

#include <QMargins>

#include <functional>

class QObject;
class QWidget;
class QWindow;

namespace numira::platform::x11 {

// Sets or clears _NET_WM_STATE_SKIP_TASKBAR on one window, mapped or not.
void SetSkipTaskbar(QWindow* window, bool skip);

// Makes a window about to be mapped start in the normal state rather than
// the iconic one Qt left in its WM_HINTS after a minimize.
void ClearStaleIconicStart(QWindow* window);

// The frame the window manager puts around the window (_NET_FRAME_EXTENTS).
// Before the first map the manager is asked for its estimate
// (_NET_REQUEST_FRAME_EXTENTS) and given a moment to answer; zero margins
// when it supports no such request or does not answer.
QMargins FrameExtents(QWidget* window);

// Readies a window that is about to be shown: makes its X window, interns
// the atoms its show needs, and asks the window manager for its frame
// estimate without waiting for the answer, which FrameExtents then finds.
void PrepareToShow(QWidget* window);

// Whether the window manager keeps the window below the others
// (_NET_WM_STATE_BELOW); false for a window that does not exist natively yet.
bool KeptBelow(QWindow* window);

// Calls changed (on the GUI thread) whenever an XEmbed notification area
// takes or gives up the tray selection, for as long as context lives.
void WatchTrayManager(QObject* context, std::function<void()> changed);

// Calls changed(above) whenever the window manager changes whether the
// mapped window is in the above band (_NET_WM_STATE_ABOVE), for as long as
// window lives.
void WatchStaysOnTop(QWidget* window, std::function<void(bool above)> changed);

}  // namespace numira::platform::x11
