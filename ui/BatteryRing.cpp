#include "ui/BatteryRing.h"

#include <QPainter>

namespace kestrin {

BatteryRing::BatteryRing(QWidget* parent) : QWidget(parent) { }

void BatteryRing::setValue(int value)
{
    value = std::clamp(value, 0, 100);
    if (value == value_)
        return;
    value_ = value;
    update();
}

void BatteryRing::setRingColor(const QColor& color)
{
    ring_ = color;
    update();
}

void BatteryRing::setTrackColor(const QColor& color)
{
    track_ = color;
    update();
}

void BatteryRing::setShowText(bool show)
{
    showText_ = show;
    update();
}

void BatteryRing::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(width(), height());
    const qreal pen = std::max(3.0, side / 10.0);
    const QRectF ring((width() - side) / 2.0 + pen / 2, (height() - side) / 2.0 + pen / 2,
        side - pen, side - pen);
    painter.setPen(QPen(track_, pen, Qt::SolidLine, Qt::RoundCap));
    painter.drawEllipse(ring);
    if (value_ > 0) {
        painter.setPen(QPen(ring_, pen, Qt::SolidLine, Qt::RoundCap));
        // Clockwise from twelve o'clock; Qt counts sixteenths of a degree anticlockwise.
        painter.drawArc(ring, 90 * 16, -value_ * 360 * 16 / 100);
    }
    if (showText_) {
        painter.setPen(palette().color(QPalette::WindowText));
        QFont font = painter.font();
        font.setPixelSize(std::max(8, side / 4));
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("%1%").arg(value_));
    }
}

} // namespace kestrin
