// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The display field and the application title as two plain strings: the
// surroundings of kelto-tape, and of tests, fuzzing and benchmarks that drive
// the engine without a window.

#include <string>
#include <string_view>

#include "core/calc.h"

namespace numira {

class TextSurroundings : public EngineSurroundings {
 public:
  std::string DisplayText() const override { return display; }
  void SetDisplayText(const std::string& text) override { display = text; }
  void AppendDisplayText(std::string_view text) override { display.append(text); }
  void SetApplicationTitle(const std::string& text) override { title = text; }
  void FocusEquals() override {}

  std::string display;
  std::string title = kInitialApplicationTitle;
};

}  // namespace numira
