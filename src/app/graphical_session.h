// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The program's first look, before Qt starts: is there a desktop to show the
// window on? Qt's X11 and Wayland platforms abort the process (a core dump)
// when they find no display, so without one the program says so itself.

namespace numira {

// Whether a display is given: DISPLAY or WAYLAND_DISPLAY set, or a display
// named with -display on the command line, or a platform chosen (with
// QT_QPA_PLATFORM or -platform) that needs none, such as offscreen or vnc.
// When none is, writes one line saying that the program needs a graphical
// session to standard error and returns false.
bool GraphicalSessionGiven(int argc, char** argv);

}  // namespace numira
