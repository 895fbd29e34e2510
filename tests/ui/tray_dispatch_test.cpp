// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The tray's id registry and mouse-event table, on a plain stand-in for a
// component (the Qt and Win32 components each add their shell around it).

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/tray_dispatch.h"

namespace numira {
namespace {

struct FakeComponent {
  using Event = std::function<void(FakeComponent*, TMouseButton, TShiftState, int, int)>;
  Event OnMouseUp, OnMouseDown, OnMMouseUp, OnMMouseDown;
  bool EnableMouseUp = true, EnableMouseDown = true, EnableMMouseUp = true, EnableMMouseDown = true;
};

// Fires one message with every event recording itself, and returns the log:
// "front", "<event> <button> <shift> <x> <y>", "waiting".
std::vector<std::string> Fire(FakeComponent& component, int message) {
  std::vector<std::string> log;
  const auto record = [&log](const char* name) {
    return [&log, name](FakeComponent*, TMouseButton button, TShiftState shift, int x, int y) {
      log.push_back(std::string(name) + " " + std::to_string(static_cast<int>(button)) + " " +
                    std::to_string(shift) + " " + std::to_string(x) + " " + std::to_string(y));
    };
  };
  component.OnMouseDown = record("down");
  component.OnMouseUp = record("up");
  component.OnMMouseDown = record("mdown");
  component.OnMMouseUp = record("mup");
  FireTrayMouseEvent(component, message, 120, 90, [&] { log.push_back("front"); },
                     [&] { log.push_back("waiting"); });
  return log;
}

using Log = std::vector<std::string>;

TEST(TrayMouseTable, EachOfTheFourButtonMessagesBringsTheOwnerForwardThenFiresThenProcesses) {
  FakeComponent component;
  EXPECT_EQ(Fire(component, kLeftButtonDown), (Log{"front", "down 0 8 120 90", "waiting"}));
  EXPECT_EQ(Fire(component, kLeftButtonUp), (Log{"front", "up 0 8 120 90", "waiting"}));
  EXPECT_EQ(Fire(component, kMiddleButtonDown), (Log{"front", "mdown 2 32 120 90", "waiting"}));
  EXPECT_EQ(Fire(component, kMiddleButtonUp), (Log{"front", "mup 2 32 120 90", "waiting"}));
}

TEST(TrayMouseTable, OtherMessagesAClosedGateOrNoHandlerDoNothingAtAll) {
  FakeComponent component;
  for (const int message : {kMouseMove, kLeftButtonDoubleClick, kRightButtonDown, kRightButtonUp,
                            kRightButtonDoubleClick, 0}) {
    EXPECT_EQ(Fire(component, message), Log{}) << message;
  }
  component.EnableMouseDown = false;
  EXPECT_EQ(Fire(component, kLeftButtonDown), Log{});
  component.OnMMouseUp = nullptr;
  bool fired = FireTrayMouseEvent(component, kMiddleButtonUp, 0, 0, [] {}, [] {});
  EXPECT_FALSE(fired);
}

TEST(TrayIdRegistry, IdsCountUpAndAForgottenIdFindsNothingAndIsNotReused) {
  TrayIdRegistry<FakeComponent*> registry;
  FakeComponent first, second, third;
  EXPECT_EQ(registry.Register(&first), 1);
  EXPECT_EQ(registry.Register(&second), 2);
  registry.Forget(2);
  EXPECT_EQ(registry.Register(&third), 3);
  EXPECT_EQ(registry.Find(1), &first);
  EXPECT_EQ(registry.Find(2), nullptr);
  EXPECT_EQ(registry.Find(3), &third);
  EXPECT_EQ(registry.Find(4), nullptr);
}

TEST(TrayTip, KeepsAtMost63BytesAndAClosingZero) {
  char tip[kTipBytes];
  CopyTip(tip, "Numira");
  EXPECT_STREQ(tip, "Numira");
  CopyTip(tip, std::string(63, 'a'));
  EXPECT_EQ(std::string(tip), std::string(63, 'a'));
  CopyTip(tip, std::string(70, 'b'));
  EXPECT_EQ(std::string(tip), std::string(63, 'b'));
  CopyTip(tip, "");
  EXPECT_STREQ(tip, "");
  CopyTip(tip, std::string("ab\0cd", 5));
  EXPECT_STREQ(tip, "ab");
}

}  // namespace
}  // namespace numira
