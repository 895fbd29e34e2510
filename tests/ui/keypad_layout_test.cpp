// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The docked panels of the main window's two views.

#include "ui/keypad_layout.h"

#include <gtest/gtest.h>

namespace numira::layout {
namespace {

TEST(KeltoDocking, PanelsFollowTheClientAreaOfEachView) {
  const struct {
    int width, height;
    ScreenRect keypad, container, memo;
  } cases[] = {
      // The standard view: Memo1 196 x 203 inside Panel2's bevel.
      {375, 205, {0, 0, 177, 205}, {177, 0, 375, 205}, {178, 1, 374, 204}},
      // The compact view: Panel2 and Memo1 have no width; the keypad panel
      // keeps its own, its last two pixels outside the client area.
      {175, 35, {0, 0, 177, 35}, {177, 0, 177, 35}, {178, 1, 178, 34}},
  };
  for (const auto& c : cases) {
    const DockedPanels docked = DockPanels(c.width, c.height);
    EXPECT_EQ(docked.keypad_panel, c.keypad) << c.width;
    EXPECT_EQ(docked.history_container, c.container) << c.width;
    EXPECT_EQ(docked.history_panel, c.memo) << c.width;
  }
}

}  // namespace
}  // namespace numira::layout
