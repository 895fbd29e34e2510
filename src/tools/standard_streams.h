// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The tool's standard streams carry UTF-8 bytes exactly as written, and its
// arguments arrive as UTF-8, on every platform.

#include <string>
#include <vector>

namespace numira {

// Call once at the start of main, before anything is read or written.
void UseByteExactStandardStreams();

// The program's arguments after its name, in UTF-8. On Windows they are read
// as UTF-16 from the command line: the narrow argv holds them in the ANSI code
// page, which has no "￥" or "△" in most locales.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace numira
