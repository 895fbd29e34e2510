#pragma once
// The tool's standard streams carry UTF-8 bytes exactly as written, on every
// platform.

namespace numira {

// Call once at the start of main, before anything is read or written.
void UseByteExactStandardStreams();

}  // namespace numira
