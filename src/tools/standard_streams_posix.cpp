// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// POSIX streams already pass bytes through unchanged, and the arguments are
// the bytes the caller gave (UTF-8 under a UTF-8 locale).

#include "tools/standard_streams.h"

#include <string>
#include <vector>

namespace numira {

void UseByteExactStandardStreams() {}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace numira
