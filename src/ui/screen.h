// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The screen as both windows' rules see it, in plain numbers: sizes,
// rectangles and the monitors, each front-end filling them from its toolkit.

namespace numira {

// Sizes and rectangles in screen pixels. A rectangle's right and bottom are
// exclusive: {0, 0, 1280, 1024} is a whole 1280 x 1024 screen.
struct ScreenSize {
  int width = 0;
  int height = 0;
  friend bool operator==(const ScreenSize&, const ScreenSize&) = default;
};

struct ScreenRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// One monitor: its whole area and its work area (without the taskbars and
// docks that the desktop keeps free).
struct Monitor {
  ScreenRect area;
  ScreenRect work_area;
  friend bool operator==(const Monitor&, const Monitor&) = default;
};

}  // namespace numira
