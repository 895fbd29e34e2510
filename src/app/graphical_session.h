// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The program's first look, before Qt starts: is there a desktop to show the
// window on? Qt's X11 and Wayland platforms abort the process (a core dump)
// when they find no display, or cannot open the one given, so the program
// says so itself.

namespace numira {

// Whether a display is given: DISPLAY or WAYLAND_DISPLAY set, or a display
// named with -display on the command line, or a platform chosen (with
// QT_QPA_PLATFORM or -platform) that needs none, such as offscreen or vnc.
// When none is, writes one line saying that the program needs a graphical
// session to standard error and returns false.
bool GraphicalSessionGiven(int argc, char** argv);

// While it lives (around the application object's construction), Qt's
// failure to start any platform (a DISPLAY naming a display that is not
// there, a Wayland socket gone) ends the program with Qt's own warnings, one
// line of ours and status 1, where Qt would abort with a core dump. Nothing
// is lost: no window exists yet and nothing has been stored.
class PlatformStartGuard {
 public:
  PlatformStartGuard();
  ~PlatformStartGuard();
  PlatformStartGuard(const PlatformStartGuard&) = delete;
  PlatformStartGuard& operator=(const PlatformStartGuard&) = delete;
};

}  // namespace numira
