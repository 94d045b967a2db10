#pragma once

namespace kestrin {

// The whole program: one copy per user, the skin, the main window, the event loop, and the
// shutdown order. Returns 1 when another copy was already running (it has been woken), else 0.
int RunKestrin(int argc, char** argv);

} // namespace kestrin
