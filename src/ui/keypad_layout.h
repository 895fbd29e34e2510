// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The main window's controls as one table: name, kind, place, caption, hint,
// font, tab stop and action. TForm1 is built from it and the GUI tests check
// the built window against it, so every control is described in one row.
// Texts are UTF-8. Sizes are pixels and never scaled with the screen. Both
// front-ends (Qt in src/app, Win32 in src/win32) build their window from it.

#include <optional>
#include <span>
#include <string_view>

#include "core/key_map.h"
#include "ui/screen.h"
#include "ui/version.h"

namespace numira::layout {

// A font as the window names it: the Windows face and its character height in
// pixels. The platform layer adds installed stand-ins after the face.
struct FontSpec {
  const char* face;
  int pixel_height;
};

inline constexpr FontSpec kWindowFont{"MS UI Gothic", 19};
inline constexpr FontSpec kPGothic15{"ＭＳ Ｐゴシック", 15};
inline constexpr FontSpec kGothic15{"ＭＳ ゴシック", 15};
inline constexpr FontSpec kSmallFonts9{"Small Fonts", 9};

enum class ControlKind { DisplayField, PushButton, GlyphButton, CheckBox, HistoryPanel };

// Which container holds the control: the keypad panel `Panel1` on the left or
// the history container `Panel2` on the right.
enum class Container { KeypadPanel, HistoryContainer };

struct ControlSpec {
  const char* name;
  ControlKind kind;
  Container container;
  int left, top;        // relative to the container
  int width, height;    // the history panel's are its size in the standard view
  const char* caption;  // "" for none; a glyph button shows its glyph instead
  const char* hint;     // the tooltip, nullptr when the control shows none
  FontSpec font;
  bool tab_stop;
  // What a click does through the tape (btn7Click is Digit7, btnwaClick is
  // Equals, ...). Controls with their own handlers have none.
  std::optional<Action> action;
  // A glyph button's 32 x 16 bitmap: its XPM file in src/app/resources, else
  // nullptr.
  const char* glyph;
};

// Every control, `Panel1`'s first and in the panel's control order (the order
// in which the arrow keys move the focus), then `Memo1`.
std::span<const ControlSpec> Controls();

// `Panel1`'s controls in reading order, as a screen reader meets them: rows
// from the top, each from the left (the display field; 7 8 9 + AC; 4 5 6 -
// BS; 1 2 3 * +-; 0 000 ． / =; the glyph buttons and the check box). The
// arrow keys walk the control order above instead.
std::span<const ControlSpec* const> ReadingOrder();

// The row of the named control, or nullptr.
const ControlSpec* FindControl(std::string_view name);

// The window.
inline constexpr char kCaption[] = "Numira V" NUMIRA_VERSION;  // "Numira V4.2"
inline constexpr int kCreatedClientWidth = 437;   // while the window is being created
inline constexpr int kCreatedClientHeight = 208;
inline constexpr int kStandardClientWidth = 375;  // keypad and history panel
inline constexpr int kStandardClientHeight = 205;
inline constexpr int kCompactClientWidth = 175;   // the display field's strip only
inline constexpr int kCompactClientHeight = 35;

// The containers: `Panel1` is docked left at this width, `Panel2` fills the
// rest; both have a raised bevel of this width.
inline constexpr int kKeypadPanelWidth = 177;
inline constexpr int kBevelWidth = 1;

// Where the docked containers and the history panel stand for a client area,
// in client coordinates: `Panel1` along the left edge, `Panel2` right of it
// (empty when the client is no wider than `Panel1`), `Memo1` filling `Panel2`
// inside its bevel.
//   375 x 205 -> Panel1 {0, 0, 177, 205}, Panel2 {177, 0, 375, 205}, Memo1 {178, 1, 374, 204}
struct DockedPanels {
  ScreenRect keypad_panel;
  ScreenRect history_container;
  ScreenRect history_panel;
};
DockedPanels DockPanels(int client_width, int client_height);

// The Tab order; every other control has no tab stop.
inline constexpr const char* kTabOrder[] = {"btnwa", "BitBtn1", "BitBtn2", "CheckBox1", "Memo1"};

}  // namespace numira::layout
