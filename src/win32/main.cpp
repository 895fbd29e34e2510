// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Numira's start sequence on Windows: the modules start (locale separators,
// the tray's id registry), the hidden application window gets the title
// "電卓", the main window is created (its create handler adds the tray icon,
// loads the settings and shows it), the readme window is created hidden, the
// application window becomes a tool window (so the program is off the
// taskbar), the event loop runs, and at the end the readme window goes
// before the main window.

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "win32/Kelto_.h"
#include "win32/application_window.h"
#include "win32/helupu_.h"
#include "win32/message_loop.h"
#include "win32/platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  numira::win32::TrayModule::Instance();
  HWND application = numira::win32::CreateApplicationWindow(numira::Tape::kInitialTitle);
  std::unique_ptr<numira::win32::TForm1> Form1 = numira::win32::TForm1::Create(application);
  auto Formvajon = std::make_unique<numira::win32::TFormvajon>(application);
  numira::win32::Formvajon = Formvajon.get();
  numira::win32::AddToolWindowStyle(application);
  numira::win32::SetKeyPreview([form = Form1.get()](const MSG& message) { return form->PreviewKey(message); });
  const int result = numira::win32::RunMessageLoop();
  numira::win32::SetKeyPreview({});
  numira::win32::Formvajon = nullptr;
  Formvajon.reset();
  Form1.reset();
  DestroyWindow(application);
  return result;
}
