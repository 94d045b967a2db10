#pragma once

#include "tools/virtualmouse/UhidMouse.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrin::guest {

// A full apply of the profile in `profilePath` by the program's own apply engine, with its
// real pauses, over the cable and then over the receiver (whose acknowledgements the engine
// waits for): the mouse must log exactly the expected writes, each once.
void ApplyThroughTheProgram(vmouse::UhidMouse& uhid, const std::string& libraryDir,
    const std::string& profilePath, const std::vector<std::vector<uint8_t>>& cableWrites,
    const std::vector<std::vector<uint8_t>>& receiverWrites);

} // namespace kestrin::guest
