// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The readme window's scaling and placing rules, on plain rectangles.

#include "ui/helupu_.h"

#include <ostream>
#include <vector>

#include <gtest/gtest.h>

namespace numira {

void PrintTo(const ScreenRect& r, std::ostream* out) {
  *out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace readme {

void PrintTo(const Placement& p, std::ostream* out) {
  PrintTo(p.frame, out);
  *out << " client " << p.client.width << "x" << p.client.height;
}

namespace {

TEST(ReadmeScaling, FontAndClientFollowResolutionAndMeasuredTextHeight) {
  const std::pair<int, int> fonts[] = {{96, 15}, {120, 19}, {144, 23}, {72, 11}, {192, 30}, {100, 16}};
  for (const auto& [dpi, height] : fonts) EXPECT_EQ(FontHeight(dpi), height) << dpi;
  const std::pair<int, ScreenSize> clients[] = {
      {15, {526, 539}}, {16, {561, 575}}, {18, {631, 647}}, {12, {421, 431}}, {23, {807, 826}}, {30, {1052, 1078}}};
  for (const auto& [height, size] : clients) EXPECT_EQ(ClientSize(height), size) << height;
}

// Two monitors side by side, the second one higher and smaller; neither has
// a taskbar.
const Monitor kLeft{{0, 0, 1920, 1080}, {0, 0, 1920, 1080}};
const Monitor kRight{{1920, -200, 3285, 824}, {1920, -200, 3285, 824}};
const std::vector<Monitor> kTwo{kLeft, kRight};

TEST(ReadmePosition, MonitorIsTheOneOverlappedMostOrTheNearest) {
  const std::pair<ScreenRect, Monitor> cases[] = {
      {{1800, 100, 2100, 400}, kRight},  // 180 px on the right, 120 on the left
      {{1700, 100, 2000, 400}, kLeft},
      {{4000, 0, 4100, 100}, kRight},    // on none: the nearest
      {{-500, -500, -400, -400}, kLeft},
  };
  for (const auto& [frame, monitor] : cases) EXPECT_EQ(MonitorOf(frame, kTwo), monitor) << frame.left;
  EXPECT_FALSE(MonitorOf({0, 0, 10, 10}, {}).has_value());
}

// A client of 526 x 539 in a frame that adds 14 x 41: 540 x 580 outside.
constexpr ScreenSize kClient{526, 539};
constexpr ScreenSize kFrame{14, 41};

ScreenRect Outer(int left, int top, ScreenSize outer = {540, 580}) {
  return {left, top, left + outer.width, top + outer.height};
}

TEST(ReadmePosition, OpeningPlacesTheWindowByTheMainWindowsMonitor) {
  const ScreenRect on_left{100, 100, 500, 400};
  const ScreenRect on_right{2000, 0, 2400, 300};
  // 1280 x 1024 with a 24-pixel panel along the bottom.
  const std::vector<Monitor> panel_below{{{0, 0, 1280, 1024}, {0, 0, 1280, 1000}}};
  struct Case {
    const char* what;
    bool first;
    ScreenRect frame;  // where the window is now
    ScreenSize client;
    ScreenRect main;
    std::vector<Monitor> monitors;
    Placement expected;
  };
  const Case cases[] = {
      {"first, centred", true, Outer(0, 0), kClient, on_left, kTwo, {Outer(690, 250), kClient}},
      {"first, on the other monitor, halves toward zero", true, Outer(0, 0), kClient, on_right, kTwo,
       {Outer(2332, 22), kClient}},
      {"later, same monitor: kept", false, Outer(30, 40), kClient, on_left, kTwo, {Outer(30, 40), kClient}},
      {"later, kept even past the monitor's edge", false, Outer(1500, 700), kClient, on_left, kTwo,
       {Outer(1500, 700), kClient}},
      {"later, moved keeping the offset", false, Outer(30, 40), kClient, on_right, kTwo,
       {Outer(1950, -160), kClient}},
      {"later, moved and pulled left and up", false, Outer(1500, 700), kClient, on_right, kTwo,
       {Outer(2745, 244), kClient}},
      {"later, moved back to the first monitor", false, Outer(2000, 0), kClient, on_left, kTwo,
       {Outer(80, 200), kClient}},
      {"no monitor: stays", true, Outer(7, 8), kClient, on_left, {}, {Outer(7, 8), kClient}},
      // Larger than the work area: shrunk to it and moved into it, so the
      // text field's bottom edge and scroll bar stay on the screen.
      {"first, 30-pixel text at 192 dpi on 1280 x 1024", true, Outer(0, 0), {1052, 1078}, {0, 0, 100, 100},
       panel_below, {{107, 0, 1173, 1000}, {1052, 959}}},
      {"first, on a monitor smaller than the window", true, Outer(0, 0), kClient, {0, 0, 50, 50},
       {{{0, 0, 501, 400}, {0, 0, 501, 400}}}, {{0, 0, 501, 400}, {487, 359}}},
      {"later, kept but shrunk to a smaller screen", false, Outer(100, 300), {1052, 1078}, on_left, kTwo,
       {{100, 0, 1166, 1080}, {1052, 1039}}},
      // Centred on the monitor it would reach under the panel: moved up.
      {"first, fits but centred it reaches the panel", true, Outer(0, 0), {526, 955}, {0, 0, 100, 100},
       panel_below, {Outer(370, 4, {540, 996}), {526, 955}}},
      {"later, left under the panel by the user: kept", false, Outer(10, 900), kClient, {0, 0, 100, 100},
       panel_below, {Outer(10, 900), kClient}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OpeningPlacement(c.first, c.frame, c.client, kFrame, c.main, c.monitors), c.expected) << c.what;
  }
}

TEST(ReadmePosition, ResolutionChangeKeepsThePlaceAndFitsTheWorkArea) {
  const std::vector<Monitor> panel_below{{{0, 0, 1280, 1024}, {0, 0, 1280, 1000}}};
  EXPECT_EQ(FittedPlacement(Outer(200, 100), kClient, kFrame, panel_below), (Placement{Outer(200, 100), kClient}));
  EXPECT_EQ(FittedPlacement(Outer(200, 100), {1052, 1078}, kFrame, panel_below),
            (Placement{{200, 0, 1266, 1000}, {1052, 959}}));
}

}  // namespace
}  // namespace readme
}  // namespace numira
