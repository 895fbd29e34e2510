// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The main window's keys: the preview that sees every key before the focused
// control, the key handlers, and copying.

#include <algorithm>

#include "win32/Kelto_.h"
#include "win32/platform.h"
#include "win32/wide_text.h"

namespace numira::win32 {
namespace {

bool Held(int virtual_key) { return (GetKeyState(virtual_key) & 0x8000) != 0; }

bool IsPushButton(HWND control) {
  wchar_t name[16] = {};
  GetClassNameW(control, name, 16);
  const auto type = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
  return lstrcmpiW(name, L"BUTTON") == 0 && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
}

}  // namespace

bool TForm1::PreviewKey(const MSG& message) {
  const bool key_down = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
  if (!key_down && message.message != WM_CHAR) return false;
  if (message.hwnd != window_ && !IsChild(window_, message.hwnd)) return false;
  HWND focus = GetFocus();

  if (message.message == WM_CHAR) {
    // Characters come through WM_CHAR, so a held key repeats them; control
    // characters (Enter, Backspace, Ctrl+letters) are the key-down's business.
    const auto character = static_cast<wchar_t>(message.wParam);
    if (character >= L' ') FormKeyPress(character);
    return false;
  }

  const WPARAM key = message.wParam;
  const bool ctrl = Held(VK_CONTROL), shift = Held(VK_SHIFT), alt = message.message == WM_SYSKEYDOWN;
  if (ctrl && !alt && (key == 'C' || key == VK_INSERT)) {
    CopyToClipboard();
    return true;
  }
  switch (key) {
    case VK_TAB:
      if (ctrl || alt) break;
      // Only the five tab stops, in their order, round and round.
      MoveFocus(focus, tab_order_, !shift);
      return true;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
      // Buttons do not use the arrow keys themselves; the display field and
      // the history panel do, and are left alone.
      if (std::ranges::count(keypad_order_, focus) > 0) {
        MoveFocus(focus, keypad_order_, key == VK_RIGHT || key == VK_DOWN);
        return true;
      }
      break;
    case VK_RETURN:
      // A plain Enter on a push button presses it and goes no further.
      if (!ctrl && !shift && !alt && focus != nullptr && IsPushButton(focus)) {
        SendMessageW(window_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED),
                     reinterpret_cast<LPARAM>(focus));
        return true;
      }
      break;
    default:
      break;
  }
  FormKeyDown(key);
  return false;  // the key goes on to the focused control
}

void TForm1::MoveFocus(HWND from, const std::vector<HWND>& order, bool forward) {
  const auto it = std::ranges::find(order, from);
  const auto count = static_cast<std::ptrdiff_t>(order.size());
  // From a control outside the order, forward starts at its first control.
  const std::ptrdiff_t index = it == order.end() ? (forward ? count - 1 : 0) : it - order.begin();
  const std::ptrdiff_t next = (index + (forward ? 1 : count - 1)) % count;
  SetFocus(order[static_cast<std::size_t>(next)]);
}

void TForm1::FormKeyDown(WPARAM virtual_key) {
  switch (virtual_key) {
    case VK_BACK: RunHandler([this] { tape_.PressKey(NamedKey::Backspace); }); break;
    case VK_HOME: RunHandler([this] { tape_.PressKey(NamedKey::Home); }); break;
    case VK_RETURN: RunHandler([this] { tape_.PressKey(NamedKey::Enter); }); break;
    default: break;  // Escape and every other key: nothing
  }
}

void TForm1::FormKeyPress(wchar_t character) {
  RunHandler([this, character] { tape_.TypeCharacter(static_cast<char32_t>(character)); });
}

void TForm1::CopyToClipboard() {
  DWORD start = 0, end = 0;
  SendMessageW(Memo1, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  if (GetFocus() == Memo1 && start != end) {
    SendMessageW(Memo1, WM_COPY, 0, 0);
  } else {
    CopyTextToClipboard(window_, WindowText(edhyouj));
  }
}

}  // namespace numira::win32
