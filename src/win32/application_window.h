// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The program's application window: never shown, it stands for the program
// as a whole. Its title is the application title ("電卓", then each result)
// and it owns the main and the readme window, so neither gets a taskbar
// button of its own.

#include <windows.h>

namespace numira::win32 {

// The hidden window with the UTF-8 title.
HWND CreateApplicationWindow(const char* title);

}  // namespace numira::win32
