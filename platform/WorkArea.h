#pragma once

#include <QRect>

#include <optional>

namespace kestrin {

// The primary screen's area that windows may cover (without panels and docks).
QRect GetWorkArea();
// The work area of the screen that holds `point`, or of the screen nearest to it.
QRect GetWorkAreaAt(QPoint point);

// That screen's top-left corner in the desktop's coordinates, with its work area.
struct ScreenPlace {
    QPoint origin;
    QRect workArea;
};
ScreenPlace GetScreenAt(QPoint point);

// Tests put windows on a work area of their choosing; nullopt returns to the real one.
void SetWorkAreaForTesting(std::optional<QRect> area);

} // namespace kestrin
