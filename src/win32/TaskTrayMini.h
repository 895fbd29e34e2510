// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// TTaskTrayMini: one icon with a tip in the notification area
// (Shell_NotifyIconA), whose mouse clicks become events of the component,
// and a popup menu on right-click.
//
// Every component shares the module's one hidden callback window,
// TMyCallback: a zero-size child of the first component's owner that
// receives the shell's callback message 1125 and finds the component by the
// icon id in wParam. Ids come from the module's registry (ui/tray_dispatch.h):
// 1, 2, 3, ... in order of construction, never reused.
//
//   TrayModule module;                          // one per program, made at its start
//   TTaskTrayMini tray(form, module);
//   tray.OnMouseDown = [](TTaskTrayMini*, TMouseButton, TShiftState, int, int) { ... };
//   tray.SetIcon(kTrayAdd, icon, "Numira");   // ... and kTrayDelete at the end

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ui/tray_dispatch.h"

namespace numira::win32 {

class TTaskTrayMini;

// A mouse event handler: (Sender, Button, Shift, X, Y), X and Y in screen
// coordinates.
using TMouseEvent = std::function<void(TTaskTrayMini* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;

class TrayModule;

// The callback window's class: a plain child window that handles one more
// message, 1125, for the module given.
class TMyCallback {
 public:
  // The window, a zero-size child of owner.
  static HWND Create(HWND owner, TrayModule& module);
};

// The module-wide state: the callback window and the id registry. The
// program makes one at its start; it outlives every component.
class TrayModule {
 public:
  TrayModule() = default;
  TrayModule(const TrayModule&) = delete;
  TrayModule& operator=(const TrayModule&) = delete;

  // The live callback window, made as a child of owner when there is none
  // (at the first component, or again once the first owner is gone).
  HWND CallbackWindowFor(HWND owner);
  // Called by the callback window as it is destroyed with its owner.
  void CallbackWindowDestroyed(HWND window);

  int Register(TTaskTrayMini* component) { return registry_.Register(component); }
  void Forget(int id) { registry_.Forget(id); }

  // Callback message 1125: the component registered under the decimal text
  // of wParam acts on the mouse message lParam. Unknown ids are ignored.
  void Dispatch(WPARAM wParam, LPARAM lParam);

 private:
  HWND callback_window_ = nullptr;
  TrayIdRegistry<TTaskTrayMini*> registry_;
};

class TTaskTrayMini {
 public:
  // owner is the window whose lifetime the component shares (the form).
  TTaskTrayMini(HWND owner, TrayModule& module);
  // Frees the record only: the icon stays unless SetIcon(kTrayDelete) ran;
  // the registry entry stays, finding nothing, so the id is never reused.
  ~TTaskTrayMini();
  TTaskTrayMini(const TTaskTrayMini&) = delete;
  TTaskTrayMini& operator=(const TTaskTrayMini&) = delete;

  TMouseEvent OnMouseUp;     // left button released
  TMouseEvent OnMouseDown;   // left button pressed
  TMouseEvent OnMMouseUp;    // middle button released
  TMouseEvent OnMMouseDown;  // middle button pressed
  // The menu shown on a right-button release; not owned. A destroyed menu
  // is never shown.
  HMENU PopupMenuR = nullptr;
  bool EnableMouseUp = true;
  bool EnableMouseDown = true;
  bool EnableMMouseUp = true;
  bool EnableMMouseDown = true;

  int IconId() const { return icon_id_; }
  const NOTIFYICONDATAA& IconData() const { return *icon_data_; }

  // Fills the record (callback window, id, flags 7, callback 1125, icon, the
  // tip in the ANSI code page cut to 63 bytes and a zero byte) and calls
  // Shell_NotifyIconA with NIM_ADD, NIM_MODIFY or NIM_DELETE; any other
  // action calls nothing. tip is UTF-8.
  void SetIcon(std::uint8_t action, HICON icon, const std::string& tip);

 private:
  friend class TrayModule;
  void HandleMouseMessage(LPARAM lParam);

  HWND owner_;
  TrayModule& module_;
  int icon_id_;
  std::unique_ptr<NOTIFYICONDATAA> icon_data_;
};

}  // namespace numira::win32
