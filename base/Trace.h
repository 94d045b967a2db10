#pragma once

#include <functional>
#include <string_view>

namespace kestrin {

// The program's debug trace. The core writes fixed lines here; the GUI routes them to a
// Qt logging category that is off unless the user enables it, so the core stays Qt-free.
using TraceSink = std::function<void(std::string_view line)>;

// Replaces the sink (an empty one discards every line) and returns the previous one.
TraceSink SetTraceSink(TraceSink sink);

// printf-style; a line longer than 1 KiB is cut.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace kestrin
