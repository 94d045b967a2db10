#include "app/platform/WorkArea.h"

#include <QGuiApplication>
#include <QScreen>

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

QRect GetWorkAreaAt(QPoint point)
{
    if (Override())
        return *Override();
    if (const QScreen* screen = QGuiApplication::screenAt(point))
        return screen->availableGeometry();
    return GetWorkArea();
}

void SetWorkAreaForTesting(std::optional<QRect> area) { Override() = area; }

} // namespace kestrin
