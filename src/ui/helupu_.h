// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// helupu_: the readme window `Formvajon`'s rules, once for both front-ends,
// on plain rectangles: its scaling by the screen's resolution and the text
// height its font really has, and where it opens. Each front-end measures
// (screens, frames, fonts) and applies the answers to its native window.
//
// The window was laid out at 96 pixels per inch with a text height of 15
// pixels, for a client area of 526 x 539. Its text field always fills the
// client area, whatever size the window ends up with.

#include <optional>
#include <span>

#include "ui/keypad_layout.h"
#include "ui/screen.h"

namespace numira::readme {

inline constexpr char kCaption[] = "Numira";
inline constexpr layout::FontSpec kDesignFont = layout::kPGothic15;
inline constexpr int kDesignDpi = 96;

// The font's character height at a screen resolution: 15 x dpi / 96, halves
// away from zero.   96 -> 15, 120 -> 19 (18.75), 144 -> 23 (22.5), 192 -> 30
int FontHeight(int dpi);

// The client size for the text height the font really has: 526 x 539 times
// height / 15, each rounded to the nearest pixel, halves away from zero.
//   15 -> 526 x 539;  16 -> 561 x 575;  30 -> 1052 x 1078
ScreenSize ClientSize(int text_height);

// The monitor a window is on: the one it overlaps most; if it overlaps none,
// the nearest one; among equals the first listed (list the primary monitor
// first). None for an empty list.
std::optional<Monitor> MonitorOf(const ScreenRect& frame, std::span<const Monitor> monitors);

// Where the window goes and how large it is.
struct Placement {
  ScreenRect frame;   // the outer rectangle, frame and caption included
  ScreenSize client;  // its client area, which the text field fills
  friend bool operator==(const Placement&, const Placement&) = default;
};

// The window's frame and client area at an opening, for a main window at
// `main_frame`. `frame` is where the window is now (its top-left is where it
// was left); `client` the size its scaling asks for; `frame_size` what its
// frame and caption add to a client size.
//   first opening: centred on the main window's monitor by its outer size,
//     each half of the free space rounded toward zero;
//   later openings: where it was left; but when the main window is on
//     another monitor, moved onto that one at the same offset from its
//     top-left corner, then moved left and up as far as needed not to reach
//     past the monitor's right or bottom edge.
// A window never grows past its monitor's work area: a larger one is made to
// fit it (its client area shrinks, the text field's scroll bars reach the
// rest) and is moved into it. The placements the program chooses itself (the
// first opening, a move to the other monitor) also stay inside the work area,
// so no taskbar covers the scroll bars; a window the user left somewhere,
// even past an edge, stays there. With no monitor it stays where it is.
Placement OpeningPlacement(bool first_opening, const ScreenRect& frame, ScreenSize client, ScreenSize frame_size,
                           const ScreenRect& main_frame, std::span<const Monitor> monitors);

// The window kept where it is (its top-left at `frame`'s) with the client
// size its scaling asks for, made to fit the work area of the monitor it is
// on and moved into that work area when it had to shrink. For a change of
// the screen's resolution while it is open (Windows's WM_DPICHANGED).
Placement FittedPlacement(const ScreenRect& frame, ScreenSize client, ScreenSize frame_size,
                          std::span<const Monitor> monitors);

}  // namespace numira::readme
