// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The main window's key preview: every key pressed in the window, before the
// focused control gets it, as a toolkit-free key stroke for TForm1, and the
// characters the keys type.

#include "win32/Kelto_.h"

namespace numira::win32 {
namespace {

bool Held(int virtual_key) { return (GetKeyState(virtual_key) & 0x8000) != 0; }

Key KeyOf(WPARAM virtual_key) {
  switch (virtual_key) {
    case VK_BACK: return Key::Backspace;
    case VK_HOME: return Key::Home;
    case VK_RETURN: return Key::Enter;
    case VK_ESCAPE: return Key::Escape;
    case VK_TAB: return Key::Tab;
    case VK_LEFT: return Key::Left;
    case VK_UP: return Key::Up;
    case VK_RIGHT: return Key::Right;
    case VK_DOWN: return Key::Down;
    case VK_INSERT: return Key::Insert;
    case 'C': return Key::C;
    case 'V': return Key::V;
    // The keypad's decimal key, whatever character the layout gives it.
    case VK_DECIMAL: return Key::KeypadDecimal;
    default: return Key::Other;
  }
}

}  // namespace

bool Form1Window::PreviewKey(const MSG& message) {
  const bool key_down = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
  if (!key_down && message.message != WM_CHAR) return false;
  if (message.hwnd != window_ && !IsChild(window_, message.hwnd)) return false;
  if (message.message == WM_CHAR) {
    // Characters come through WM_CHAR, so a held key repeats them; control
    // characters (Enter, Backspace, Ctrl+letters) are the key-down's business.
    const auto character = static_cast<wchar_t>(message.wParam);
    if (character >= L' ') form_.FormKeyPress(static_cast<char32_t>(character));
    return false;
  }
  // A key used up is neither translated into a character nor dispatched.
  return form_.KeyPreview({KeyOf(message.wParam), Held(VK_SHIFT), Held(VK_CONTROL), message.message == WM_SYSKEYDOWN});
}

}  // namespace numira::win32
