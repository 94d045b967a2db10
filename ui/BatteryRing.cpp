#include "ui/BatteryRing.h"

#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace kestrin {

BatteryRing::BatteryRing(QWidget* parent) : QWidget(parent) { }

void BatteryRing::setValue(int value)
{
    value = std::clamp(value, 0, 100);
    if (value == value_)
        return;
    const int from = std::exchange(value_, value);
    update(ChangedBetween(from, value));
}

void BatteryRing::setRingColor(const QColor& color)
{
    ring_ = color;
    update();
}

void BatteryRing::setLowColor(const QColor& color)
{
    low_ = color;
    update();
}

void BatteryRing::setCriticalColor(const QColor& color)
{
    critical_ = color;
    update();
}

void BatteryRing::setWarning(Warning warning)
{
    if (warning == warning_)
        return;
    warning_ = warning;
    update();
}

QColor BatteryRing::arcColor() const
{
    switch (warning_) {
    case Warning::Low:
        return low_;
    case Warning::Critical:
        return critical_;
    case Warning::None:
        break;
    }
    return ring_;
}

void BatteryRing::setTrackColor(const QColor& color)
{
    track_ = color;
    trackPixmap_ = QPixmap();
    update();
}

void BatteryRing::setShowText(bool show)
{
    showText_ = show;
    update();
}

void BatteryRing::setBackdropColor(const QColor& color)
{
    backdrop_ = color;
    setAttribute(Qt::WA_OpaquePaintEvent, color.isValid() && color.alpha() == 255);
    update();
}

qreal BatteryRing::PenWidth() const { return std::max(3.0, std::min(width(), height()) / 10.0); }

QRectF BatteryRing::RingRect() const
{
    const int side = std::min(width(), height());
    const qreal pen = PenWidth();
    return {(width() - side) / 2.0 + pen / 2, (height() - side) / 2.0 + pen / 2, side - pen,
        side - pen};
}

QFont BatteryRing::TextFont() const
{
    QFont font = this->font();
    font.setPixelSize(std::max(8, std::min(width(), height()) / 4));
    font.setBold(true);
    return font;
}

QRect BatteryRing::ChangedBetween(int from, int to) const
{
    // Qt's curves of an arc depend on its whole span: a longer arc differs from a shorter one
    // by a shade here and there along all of it, so all of the longer one is repainted.
    const QRectF ring = RingRect();
    const auto at = [&ring](int value) {
        const double angle = value * std::numbers::pi / 50; // clockwise from twelve o'clock
        return QPointF(ring.center().x() + ring.width() / 2 * std::sin(angle),
            ring.center().y() - ring.height() / 2 * std::cos(angle));
    };
    const int longer = std::max(from, to);
    QPolygonF bounds{at(0), at(longer)};
    for (int quarter = 25; quarter < longer; quarter += 25)
        bounds << at(quarter);
    // Half the pen covers the caps, the rest the antialiasing.
    const qreal margin = PenWidth() / 2 + 2;
    QRect changed =
        bounds.boundingRect().adjusted(-margin, -margin, margin, margin).toAlignedRect();
    if (showText_) {
        const QFontMetrics metrics(TextFont());
        for (int value : {from, to})
            changed |=
                metrics.boundingRect(rect(), Qt::AlignCenter, QStringLiteral("%1%").arg(value));
    }
    return changed & rect();
}

void BatteryRing::resizeEvent(QResizeEvent* event)
{
    trackPixmap_ = QPixmap();
    QWidget::resizeEvent(event);
}

void BatteryRing::DrawTrack(qreal dpr)
{
    ++trackDraws_;
    trackPixmap_ = QPixmap((QSizeF(size()) * dpr).toSize());
    trackPixmap_.setDevicePixelRatio(dpr);
    trackPixmap_.fill(Qt::transparent);
    QPainter painter(&trackPixmap_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(track_, PenWidth(), Qt::SolidLine, Qt::RoundCap));
    painter.drawEllipse(RingRect());
}

void BatteryRing::paintEvent(QPaintEvent* event)
{
    if (width() <= 0 || height() <= 0)
        return;
    QPainter painter(this);
    if (testAttribute(Qt::WA_OpaquePaintEvent))
        painter.fillRect(event->rect(), backdrop_);
    // The engine's device: a grab or render may paint at another density than the screen.
    const qreal dpr = painter.paintEngine()->paintDevice()->devicePixelRatio();
    if (trackPixmap_.isNull() || trackPixmap_.devicePixelRatio() != dpr)
        DrawTrack(dpr);
    painter.drawPixmap(0, 0, trackPixmap_);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF ring = RingRect();
    if (value_ > 0) {
        painter.setPen(QPen(arcColor(), PenWidth(), Qt::SolidLine, Qt::RoundCap));
        // Clockwise from twelve o'clock; Qt counts sixteenths of a degree anticlockwise.
        painter.drawArc(ring, 90 * 16, -value_ * 360 * 16 / 100);
    }
    if (showText_) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.setFont(TextFont());
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("%1%").arg(value_));
    }
}

} // namespace kestrin
