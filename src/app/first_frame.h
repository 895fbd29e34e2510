// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// A window's first frame, and the start-up work that need not come before
// it: watches, the readme window, the session-end store. Such work waits for
// the window's first expose, when Qt draws the whole window and sends the
// frame to the window system, and runs on the turn of the event loop after
// it, in the order it was handed over; the first paint thus waits only for
// what it shows. A window the window system never exposes (mapped under
// another one) lets the work go a second after it is shown.

#include <functional>

class QObject;
class QWidget;

namespace numira {

// Runs `work` after `window`'s first frame as above (on the next turn when
// the window has had its first frame already, or is null), unless `context`
// (null: the application) is gone by then.
void AfterFirstFrame(QWidget* window, QObject* context, std::function<void()> work);

}  // namespace numira
