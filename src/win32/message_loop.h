// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The one place where the program hands out window messages: the main loop,
// the readme window's modal loop and the tray's "process what is waiting"
// all come through here, so the main window previews every key wherever the
// message is taken from the queue.

#include <windows.h>

#include <functional>

namespace numira::win32 {

// Sees every queued message first; returns true when it consumed it.
void SetKeyPreview(std::function<bool(const MSG&)> preview);

// Previews, translates and dispatches one message.
void DispatchQueuedMessage(MSG& message);

// Runs until WM_QUIT; returns its exit code.
int RunMessageLoop();

// Handles every message already waiting, then returns. A WM_QUIT met on the
// way is posted again, for the loop that owns it.
void ProcessWaitingMessages();

}  // namespace numira::win32
