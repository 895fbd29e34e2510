// The C runtime opens the standard streams in text mode, which would turn
// every "\n" into "\r\n": binary mode keeps the output byte for byte the same
// as on Linux. A console shows the UTF-8 lines (Japanese error texts) only
// when its output code page is UTF-8.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <initializer_list>

#include "tools/standard_streams.h"

namespace numira {

void UseByteExactStandardStreams() {
  for (std::FILE* stream : {stdin, stdout, stderr}) ::_setmode(::_fileno(stream), _O_BINARY);
  ::SetConsoleOutputCP(CP_UTF8);
}

}  // namespace numira
