// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/first_frame.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

#include <vector>

namespace numira {
namespace {

TEST(FirstFrame, WorkRunsAfterTheFirstFrameInTheOrderHandedOver) {
  QWidget window;
  std::vector<int> ran;
  AfterFirstFrame(&window, &window, [&] { ran.push_back(1); });
  window.show();
  AfterFirstFrame(&window, &window, [&] { ran.push_back(2); });
  EXPECT_TRUE(ran.empty());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  ASSERT_TRUE(QTest::qWaitFor([&] { return ran.size() == 2; }));
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

// A window that is shown but never exposed (here: kept off the screen) still
// gets its work, also work handed over after its show.
TEST(FirstFrame, WorkOfAWindowNeverExposedRunsAfterASecond) {
  for (const bool before_show : {true, false}) {
    QWidget window;
    window.setAttribute(Qt::WA_DontShowOnScreen);
    bool ran = false;
    if (before_show) AfterFirstFrame(&window, &window, [&] { ran = true; });
    window.show();
    if (!before_show) AfterFirstFrame(&window, &window, [&] { ran = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return ran; }, 3000)) << (before_show ? "before" : "after") << " the show";
  }
}

}  // namespace
}  // namespace numira
