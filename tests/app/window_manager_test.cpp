// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The window flags that set the stacking band: the topmost band is the
// program's, the window manager's "below" is the user's.

#include <gtest/gtest.h>

#include "app/window_manager.h"

namespace numira::platform {
namespace {

TEST(StackingFlags, TopmostIsAskedAndBelowStaysWhereTheWindowManagerKeepsIt) {
  const Qt::WindowFlags base = Qt::Window | Qt::WindowCloseButtonHint;
  const Qt::WindowFlags top = base | Qt::WindowStaysOnTopHint;
  const Qt::WindowFlags bottom = base | Qt::WindowStaysOnBottomHint;
  struct Case {
    Qt::WindowFlags flags;
    bool topmost;
    bool kept_below;
    Qt::WindowFlags expected;
  };
  const Case cases[] = {
      {base, true, false, top},
      {top, false, false, base},
      // The manager moved the window from the top band to below (its menu).
      {top, false, true, bottom},
      {bottom, false, true, bottom},
      // Ticked while below: on top, and so out of below.
      {bottom, true, true, top},
      // The manager has let it go.
      {bottom, false, false, base},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StackingFlags(c.flags, c.topmost, c.kept_below), c.expected)
        << "flags " << c.flags.toInt() << " topmost " << c.topmost << " kept below " << c.kept_below;
  }
}

}  // namespace
}  // namespace numira::platform
