// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "win32/message_loop.h"

#include <utility>

namespace numira::win32 {
namespace {

std::function<bool(const MSG&)>& Preview() {
  static std::function<bool(const MSG&)> preview;
  return preview;
}

}  // namespace

void SetKeyPreview(std::function<bool(const MSG&)> preview) { Preview() = std::move(preview); }

void DispatchQueuedMessage(MSG& message) {
  if (Preview() && Preview()(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

int RunMessageLoop() {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchQueuedMessage(message);
  return static_cast<int>(message.wParam);
}

void ProcessWaitingMessages() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    DispatchQueuedMessage(message);
  }
}

}  // namespace numira::win32
