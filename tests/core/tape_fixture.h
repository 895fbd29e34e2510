// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// An engine and its tape on plain-string surroundings, cleared as at start,
// for the tests that drive them with keys.

#include <gtest/gtest.h>

#include <string_view>

#include "core/calc.h"
#include "core/tape.h"
#include "core/text_surroundings.h"

namespace numira {

class TapeFixture : public ::testing::Test {
 protected:
  void SetUp() override { engine.clia(); }

  // Types each byte of `keys` as a character.
  void Type(std::string_view keys) {
    for (char c : keys) tape.TypeCharacter(static_cast<unsigned char>(c));
  }

  TextSurroundings out;
  Calculator engine{out};
  Tape tape{engine, out};
};

}  // namespace numira
