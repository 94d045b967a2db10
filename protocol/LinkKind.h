#pragma once

namespace kestrin {

// The three ways a report reaches the mouse and an event comes back.
enum class LinkKind { Cable, Receiver, Bluetooth };

} // namespace kestrin
