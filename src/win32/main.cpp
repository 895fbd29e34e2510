// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Numira's start sequence on Windows: the modules start (locale separators,
// the tray module with its id registry), the hidden application window gets
// the title "電卓", the main window is created (its create handler adds the
// tray icon, loads the settings and shows it), the readme window is created
// hidden, the application window becomes a tool window (so the program is off
// the taskbar), the event loop runs, and at the end the readme window goes
// before the main window.

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "win32/Kelto_.h"
#include "win32/application_window.h"
#include "win32/helupu_.h"
#include "win32/message_loop.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  numira::win32::TrayModule tray;
  HWND application = numira::win32::CreateApplicationWindow(numira::Tape::kInitialTitle);
  auto Form1 = std::make_unique<numira::win32::Form1Window>(application, tray);
  Form1->Form().Start();
  auto Formvajon = std::make_unique<numira::win32::TFormvajon>(application);
  Form1->SetReadmeWindow(Formvajon.get());
  Form1->Form().ProgramStarted();
  numira::win32::SetKeyPreview([form = Form1.get()](const MSG& message) { return form->PreviewKey(message); });
  const int result = numira::win32::RunMessageLoop();
  numira::win32::SetKeyPreview({});
  Form1->SetReadmeWindow(nullptr);
  Formvajon.reset();
  Form1.reset();
  DestroyWindow(application);
  return result;
}
