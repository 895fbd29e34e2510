// POSIX streams already pass bytes through unchanged.

#include "tools/standard_streams.h"

namespace numira {

void UseByteExactStandardStreams() {}

}  // namespace numira
