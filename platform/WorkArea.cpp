#include "platform/WorkArea.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace kestrin {
namespace {

std::optional<QRect>& Override()
{
    static std::optional<QRect> area;
    return area;
}

} // namespace

QRect GetWorkArea()
{
    if (Override())
        return *Override();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->availableGeometry();
    return QRect(0, 0, 1920, 1080);
}

ScreenPlace GetScreenAt(QPoint point)
{
    if (Override())
        return {QPoint(0, 0), *Override()};
    // A point off every screen belongs to the nearest one, not to the primary.
    const QScreen* nearest = nullptr;
    int nearestDistance = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->geometry();
        const int dx = std::max({area.left() - point.x(), 0, point.x() - area.right()});
        const int dy = std::max({area.top() - point.y(), 0, point.y() - area.bottom()});
        if (!nearest || dx + dy < nearestDistance) {
            nearest = screen;
            nearestDistance = dx + dy;
        }
    }
    if (!nearest)
        return {QPoint(0, 0), GetWorkArea()};
    return {nearest->geometry().topLeft(), nearest->availableGeometry()};
}

QRect GetWorkAreaAt(QPoint point) { return GetScreenAt(point).workArea; }

void SetWorkAreaForTesting(std::optional<QRect> area) { Override() = area; }

} // namespace kestrin
