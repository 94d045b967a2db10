#include "page/library/PatternPlot.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace kestrin {
namespace {

constexpr int kMargin = 16;
const QColor kBackground(0x0F, 0x12, 0x18);
const QColor kAxis(0x2A, 0x30, 0x3C);
const QColor kPath(0x00, 0xB8, 0x9C);
const QColor kShot(0xC9, 0xCE, 0xD8);
const QColor kMarked(0xFF, 0xB5, 0x47);

} // namespace

PatternPlot::PatternPlot(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PatternPlot::SetPath(std::vector<QPoint> points, int marked)
{
    if (points == points_ && marked == marked_)
        return;
    points_ = std::move(points);
    marked_ = marked;
    update();
}

void PatternPlot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), kBackground);
    painter.setPen(kAxis);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    // One scale for both axes, fitting the start and every shot.
    QRect extent(QPoint(0, 0), QSize(1, 1));
    for (const QPoint& p : points_)
        extent = extent.united(QRect(p, QSize(1, 1)));
    const QRectF area = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const double scale = std::min(
        area.width() / std::max(extent.width(), 1), area.height() / std::max(extent.height(), 1));
    const QPointF centre = area.center();
    const QPointF middle = QRectF(extent).center();
    const auto place = [&](QPoint p) { return centre + (QPointF(p) - middle) * scale; };

    // The start, as a cross over the axes through it.
    const QPointF origin = place(QPoint(0, 0));
    painter.drawLine(QPointF(rect().left(), origin.y()), QPointF(rect().right(), origin.y()));
    painter.drawLine(QPointF(origin.x(), rect().top()), QPointF(origin.x(), rect().bottom()));

    QPainterPath path(origin);
    for (const QPoint& p : points_)
        path.lineTo(place(p));
    painter.setPen(QPen(kPath, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);

    painter.setPen(Qt::NoPen);
    for (std::size_t i = 0; i < points_.size(); ++i) {
        const bool marked = int(i) == marked_;
        painter.setBrush(marked ? kMarked : kShot);
        const double radius = marked ? 5.0 : 2.5;
        painter.drawEllipse(place(points_[i]), radius, radius);
    }
}

} // namespace kestrin
