// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The tray component's platform-independent half, shared by the Qt and the
// Win32 TTaskTrayMini: the notification record's sizes and codes, the mouse
// messages the callback window receives, the id registry, and the table that
// turns a mouse message into one of the component's four events.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace numira {

// Sizes and codes of the notification record (NOTIFYICONDATA, ANSI form).
inline constexpr std::uint32_t kNotifyRecordSize = 88;
inline constexpr std::uint32_t kNifMessage = 1;
inline constexpr std::uint32_t kNifIcon = 2;
inline constexpr std::uint32_t kNifTip = 4;
// The callback message the shell sends to the record's window for mouse
// activity on the icon: wParam carries uID, lParam the mouse message.
inline constexpr std::uint32_t kTrayCallbackMessage = 1125;  // WM_USER + 101
inline constexpr int kTipBytes = 64;  // 63 bytes of text and the closing zero byte

// SetIcon actions: the shell's add, modify and delete. Any other value fills
// the record and calls nothing.
inline constexpr std::uint8_t kTrayAdd = 0;
inline constexpr std::uint8_t kTrayModify = 1;
inline constexpr std::uint8_t kTrayDelete = 2;

// The mouse messages that reach the callback window as lParam.
inline constexpr int kMouseMove = 512;
inline constexpr int kLeftButtonDown = 513;
inline constexpr int kLeftButtonUp = 514;
inline constexpr int kLeftButtonDoubleClick = 515;
inline constexpr int kRightButtonDown = 516;
inline constexpr int kRightButtonUp = 517;
inline constexpr int kRightButtonDoubleClick = 518;
inline constexpr int kMiddleButtonDown = 519;
inline constexpr int kMiddleButtonUp = 520;

enum class TMouseButton : int { Left = 0, Right = 1, Middle = 2 };

// Shift state: one bit per flag.
enum TShiftFlag : unsigned {
  ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64,
};
using TShiftState = unsigned;

// Copies the tip's bytes up to its end (or a zero byte) or 63 bytes, whichever
// comes first, and closes it with a zero byte. A multi-byte character that
// straddles the limit is cut like any other byte.
//   "Numira" -> "Numira"   70 bytes -> the first 63   "" -> ""
inline void CopyTip(char (&target)[kTipBytes], std::string_view tip) {
  const std::string_view text = tip.substr(0, tip.find('\0'));
  const std::size_t length = std::min<std::size_t>(text.size(), kTipBytes - 1);
  std::memcpy(target, text.data(), length);
  target[length] = '\0';
}

// The module's id registry: entries in the order added, each the id's decimal
// text and a handle of its component. Ids are 1, 2, 3, ... (the last entry's
// number plus one) and never reused: a destroyed component's entry stays, its
// handle empty (a handle that empties itself, or Forget), so its id finds
// nothing.
template <class Handle>
class TrayIdRegistry {
 public:
  // Allocates the next id and appends the entry for component.
  int Register(Handle component) {
    const int id = entries_.empty() ? 1 : std::stoi(entries_.back().text) + 1;
    entries_.push_back({std::to_string(id), component});
    return id;
  }
  // The entry of id stays; it finds nothing from now on.
  void Forget(int id) {
    if (Entry* entry = EntryOf(static_cast<std::uintmax_t>(id))) entry->component = Handle{};
  }
  // The handle registered under the decimal text of wParam; empty for an
  // unknown id.
  Handle Find(std::uintmax_t wParam) {
    const Entry* entry = EntryOf(wParam);
    return entry == nullptr ? Handle{} : entry->component;
  }

 private:
  struct Entry {
    std::string text;
    Handle component;
  };
  Entry* EntryOf(std::uintmax_t wParam) {
    const std::string text = std::to_string(wParam);
    const auto entry = std::find_if(entries_.begin(), entries_.end(),
                                    [&](const Entry& e) { return e.text == text; });
    return entry == entries_.end() ? nullptr : &*entry;
  }
  std::vector<Entry> entries_;  // only appended
};

// The mouse messages that raise an event: the event, its gate, and the button
// and shift state it is raised with. Shift never carries the keyboard state.
// Component is a TTaskTrayMini with the four events and their four gates.
template <class Component>
struct TrayMouseRow {
  int message;
  decltype(Component::OnMouseDown) Component::*event;
  bool Component::*enabled;
  TMouseButton button;
  TShiftState shift;
};

template <class Component>
constexpr std::array<TrayMouseRow<Component>, 4> TrayMouseRows() {
  using C = Component;
  return {{
      {kLeftButtonDown, &C::OnMouseDown, &C::EnableMouseDown, TMouseButton::Left, ssLeft},
      {kLeftButtonUp, &C::OnMouseUp, &C::EnableMouseUp, TMouseButton::Left, ssLeft},
      {kMiddleButtonDown, &C::OnMMouseDown, &C::EnableMMouseDown, TMouseButton::Middle, ssMiddle},
      {kMiddleButtonUp, &C::OnMMouseUp, &C::EnableMMouseUp, TMouseButton::Middle, ssMiddle},
  }};
}

// Acts on one mouse message (not the right-button release, whose popup menu
// each binding shows itself) for component, the cursor at x, y. A row fires
// when its event is set and its gate is open: bring_to_front(), the event,
// then process_waiting() (which may enter the dispatch again). When no row
// fires none of the three happens. Nothing of the component is touched after
// its event: the handler may destroy it. Returns whether a row fired.
template <class Component, class BringToFront, class ProcessWaiting>
bool FireTrayMouseEvent(Component& component, std::intptr_t lParam, int x, int y,
                        BringToFront bring_to_front, ProcessWaiting process_waiting) {
  for (const TrayMouseRow<Component>& row : TrayMouseRows<Component>()) {
    if (row.message != lParam) continue;
    // A copy, so the handler stays alive even if it destroys the component.
    auto handler = component.*(row.event);
    if (!handler || !(component.*(row.enabled))) return false;
    bring_to_front();
    handler(&component, row.button, row.shift, x, y);
    process_waiting();
    return true;
  }
  return false;
}

}  // namespace numira
