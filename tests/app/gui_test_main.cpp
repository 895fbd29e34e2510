// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The one main() of the GUI tests: an offscreen QApplication unless the caller
// chose a platform, then every GoogleTest case.

#include <QApplication>
#include <cstdlib>
#include <string_view>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  // CTest lists the cases (--gtest_list_tests) without the tests' environment,
  // perhaps where no display is: listing needs none.
  bool listing = false;
  for (int i = 1; i < argc; ++i) listing = listing || std::string_view(argv[i]) == "--gtest_list_tests";
  if (listing || std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
