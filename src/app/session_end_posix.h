// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The end of a session that does not ask the program: SIGTERM or SIGHUP (a
// desktop session without a session manager ends so), or exit() called from
// anywhere (Qt's X11 platform calls it when the X server goes away). The
// settings are stored then too, from the last position and flags the main
// window had, which the binding keeps current here on every move and switch.
// Storing needs nothing of the toolkit or the display, only the settings
// layer; a store that fails leaves the old file intact and shows nothing.
//
// There is one such store per process: signals and exit handlers are the
// process's, so its state is too.

#include <cstdint>

namespace numira {

// The values a store writes, as the main window last had them.
struct SessionSettings {
  std::int32_t left = 0;
  std::int32_t top = 0;
  bool stay = false;
  bool waid = true;
};

namespace session_end {

// Catches SIGTERM and SIGHUP (their only effect: SignalFd becomes readable)
// and stores the settings at exit() until Disarm. Once per process; later
// calls do nothing.
void Install();

// The settings a store would write from now on.
void Update(const SessionSettings& settings);

// Readable once SIGTERM or SIGHUP has arrived; -1 before Install.
int SignalFd();

// Takes the signal's notice from SignalFd and stores the settings now, in
// the settings file beside the executable. Nothing is stored again at exit.
void StoreAfterSignal();

// The program ends the ordinary way (its close stored the settings): exit()
// stores nothing more.
void Disarm();

}  // namespace session_end
}  // namespace numira
