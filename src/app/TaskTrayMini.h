// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// TTaskTrayMini: one icon with a tip in the notification area, whose mouse
// clicks become events of the component (and a popup menu on right-click).
//
// Every component of a TrayModule shares one hidden callback window,
// TMyCallback, that receives the shell's callback message 1125 and finds the
// component by the icon id the message carries. Ids come from the module's
// registry: 1, 2, 3, ... in order of construction, never reused.
//
//   auto* tray = new TTaskTrayMini(form, module);  // form owns and destroys it
//   tray->OnMouseDown = [](QObject*, TMouseButton, TShiftState, int, int) { ... };
//   tray->SetIcon(kTrayAdd, icon, "Numira");    // ... and kTrayDelete at the end

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/tray_shell.h"

class QMenu;

namespace numira {

// A mouse event handler: (Sender, Button, Shift, X, Y), X and Y in screen
// coordinates.
using TMouseEvent =
    std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;

class TrayModule;
class TTaskTrayMini;

// The hidden, zero-size child window that receives the callback message for
// every component of its module. It belongs to the form that owned the
// module's first component.
class TMyCallback : public QWidget {
  Q_OBJECT

 public:
  TMyCallback(QWidget* owner, TrayModule* module);

 protected:
  bool event(QEvent* e) override;

 private:
  friend class TrayModule;
  TrayModule* module_;  // null once the module is gone
};

// The module-wide state of the tray: the shell, the callback window and the
// id registry. The program makes one at its start, over the desktop's shell;
// tests make their own with a recording shell, so their ids start at 1.
class TrayModule {
 public:
  explicit TrayModule(TrayShell& shell);
  ~TrayModule();
  TrayModule(const TrayModule&) = delete;
  TrayModule& operator=(const TrayModule&) = delete;

  TrayShell& Shell() { return shell_; }

  // The callback window; null before the first component and after its
  // owner was destroyed.
  TMyCallback* CallbackWindow() const { return callback_window_; }

  // Handles callback message 1125: finds the component registered under the
  // decimal text of wParam and acts on the mouse message lParam. Unknown ids
  // and ids of destroyed components are ignored.
  void Dispatch(quintptr wParam, qintptr lParam);

 private:
  friend class TTaskTrayMini;

  // The live callback window, made (owned by and a child of owner) when
  // there is none: at the first component, or again if the first owner has
  // been destroyed, so a destroyed window is never handed out.
  TMyCallback* CallbackWindowFor(QWidget* owner);
  // Allocates the next id (last entry's number plus one, 1 for the first)
  // and appends the entry for component.
  int Register(TTaskTrayMini* component);

  TrayShell& shell_;
  QPointer<TMyCallback> callback_window_;
  // Reads null for a destroyed component; only appended, so ids are never reused.
  TrayIdRegistry<QPointer<TTaskTrayMini>> registry_;
};

class TTaskTrayMini : public QObject {
  Q_OBJECT

 public:
  // owner destroys the component with itself; it must not be null. The
  // module must outlive the component.
  TTaskTrayMini(QWidget* owner, TrayModule& module);
  // Frees the record only: the icon stays in the tray unless SetIcon(kTrayDelete)
  // ran first, and the registry entry stays so the id is not reused.
  ~TTaskTrayMini() override;

  TMouseEvent OnMouseUp;     // left button released
  TMouseEvent OnMouseDown;   // left button pressed
  TMouseEvent OnMMouseUp;    // middle button released
  TMouseEvent OnMMouseDown;  // middle button pressed
  // Gates for the four events; each is true after construction.
  bool EnableMouseUp = true;
  bool EnableMouseDown = true;
  bool EnableMMouseUp = true;
  bool EnableMMouseDown = true;

  int IconId() const { return icon_id_; }
  const NotifyIconRecord& IconData() const { return *icon_data_; }

  // The menu shown on a right-button release; not owned. A menu that is
  // destroyed reads as null from then on and is never shown.
  QMenu* PopupMenuR() const;
  void SetPopupMenuR(QMenu* menu);

  // Fills the record (callback window, id, flags 7, icon, tip cut to 63
  // bytes of UTF-8 and a zero byte) and passes it to the shell: kTrayAdd,
  // kTrayModify or kTrayDelete; any other action calls nothing.
  //   tip "Numira" -> szTip "Numira";  a 70-byte tip -> its first 63 bytes
  void SetIcon(std::uint8_t action, const QIcon& icon, const QString& tip);

 private:
  friend class TrayModule;
  // Acts on one mouse message for this component, the cursor at cursor.
  void HandleMouseMessage(qintptr lParam, QPoint cursor);

  QWidget* owner_;
  TrayModule& module_;
  int icon_id_ = 0;
  std::unique_ptr<NotifyIconRecord> icon_data_;
  QPointer<QMenu> popup_menu_r_;
};

}  // namespace numira
