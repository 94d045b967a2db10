#pragma once

#include <QIcon>

namespace kestrin {

// The program icon from the skin (res/icons/kestrin.svg and kestrin-<size>.png); a drawn
// stand-in of the same colours while the skin has none.
QIcon LoadProgramIcon();

// The icon with a low-battery badge in its lower right corner, for the tray.
QIcon WithLowBatteryBadge(const QIcon& icon);

} // namespace kestrin
