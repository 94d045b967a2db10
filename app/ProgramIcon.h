#pragma once

#include <QIcon>

namespace kestrin {

// The program icon from the skin (res/icons/kestrin.svg and kestrin-<size>.png); a drawn
// stand-in of the same colours while the skin has none.
QIcon LoadProgramIcon();

} // namespace kestrin
