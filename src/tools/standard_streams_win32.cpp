// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The C runtime opens the standard streams in text mode, which would turn
// every "\n" into "\r\n": binary mode keeps the output byte for byte the same
// as on Linux. A console shows the UTF-8 lines (Japanese error texts) only
// when its output code page is UTF-8. The arguments come from the UTF-16
// command line.

#include <fcntl.h>
#include <io.h>
#include <windows.h>
// after windows.h, whose types it uses
#include <shellapi.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "tools/standard_streams.h"

namespace numira {

void UseByteExactStandardStreams() {
  for (std::FILE* stream : {stdin, stdout, stderr}) ::_setmode(::_fileno(stream), _O_BINARY);
  ::SetConsoleOutputCP(CP_UTF8);
}

std::vector<std::string> CommandLineArguments(int /*argc*/, char** /*argv*/) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; wide != nullptr && i < count; ++i) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, utf8.data(), size, nullptr, nullptr);
    utf8.pop_back();  // the terminating NUL
    arguments.push_back(std::move(utf8));
  }
  ::LocalFree(wide);
  return arguments;
}

}  // namespace numira
