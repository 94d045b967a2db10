#include "ui/ColorPalette.h"

#include "ui/Notify.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>

namespace kestrin {

ColorPaletteWidget::ColorPaletteWidget(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::CrossCursor);
    setMinimumSize(60, 40);
}

int ColorPaletteWidget::GreyStripHeight() const { return std::max(6, height() / 8); }

uint32_t ColorPaletteWidget::colorAt(QPoint point) const
{
    const int w = std::max(1, width() - 1);
    const int surfaceHeight = std::max(1, height() - GreyStripHeight());
    const int x = std::clamp(point.x(), 0, w);
    if (point.y() >= surfaceHeight) {
        const int grey = 255 - x * 255 / w;
        return QColor(grey, grey, grey).rgba();
    }
    const int y = std::clamp(point.y(), 0, surfaceHeight - 1);
    const int hue = std::min(359, x * 360 / (w + 1));
    const int value = 255 - y * 255 / std::max(1, surfaceHeight - 1);
    return QColor::fromHsv(hue, 255, value).rgba();
}

QPoint ColorPaletteWidget::pointOf(uint32_t argb) const
{
    const QColor color = QColor::fromRgba(argb);
    const int w = std::max(1, width() - 1);
    const int surfaceHeight = std::max(1, height() - GreyStripHeight());
    if (color.hsvSaturation() < 128) {
        const int x = (255 - color.value()) * w / 255;
        return {x, surfaceHeight + GreyStripHeight() / 2};
    }
    const int hue = std::max(0, color.hsvHue());
    const int x = hue * (w + 1) / 360;
    const int y = (255 - color.value()) * std::max(1, surfaceHeight - 1) / 255;
    return {x, y};
}

void ColorPaletteWidget::setSelectColor(uint32_t argb)
{
    color_ = argb;
    marker_ = pointOf(argb);
    update();
}

void ColorPaletteWidget::resizeEvent(QResizeEvent*)
{
    surface_ = QImage(size(), QImage::Format_RGB32);
    for (int y = 0; y < height(); ++y)
        for (int x = 0; x < width(); ++x)
            surface_.setPixel(x, y, colorAt({x, y}));
    marker_ = pointOf(color_);
}

void ColorPaletteWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, surface_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 3));
    painter.drawEllipse(marker_, 6, 6);
    painter.setPen(QPen(Qt::white, 1.5));
    painter.drawEllipse(marker_, 6, 6);
}

void ColorPaletteWidget::Pick(QPoint point)
{
    marker_ = QPoint(std::clamp(point.x(), 0, width() - 1), std::clamp(point.y(), 0, height() - 1));
    color_ = colorAt(marker_);
    update();
}

void ColorPaletteWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    Pick(event->position().toPoint());
    emit colorChanged(color_);
}

void ColorPaletteWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    Pick(event->position().toPoint());
    emit colorChanged(color_);
}

void ColorPaletteWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    Pick(event->position().toPoint());
    emit colorReleased(color_);
}

CColorPaletteUI::CColorPaletteUI(QWidget* widget, CPaintManagerUI* manager)
    : CControlUI(widget, manager)
{
    if (auto* palette = qobject_cast<ColorPaletteWidget*>(widget)) {
        QObject::connect(palette, &ColorPaletteWidget::colorChanged, palette,
            [this](uint32_t argb) { SendNotify(DUI_MSGTYPE_COLORCHANGED, argb); });
        QObject::connect(palette, &ColorPaletteWidget::colorReleased, palette,
            [this](uint32_t argb) { SendNotify(DUI_MSGTYPE_COLORCHANGEDBUTTONUP, argb); });
    }
}

uint32_t CColorPaletteUI::GetSelectColor() const
{
    auto* palette = qobject_cast<ColorPaletteWidget*>(widget_);
    return palette ? palette->selectColor() : 0;
}

void CColorPaletteUI::SetSelectColor(uint32_t argb)
{
    if (auto* palette = qobject_cast<ColorPaletteWidget*>(widget_))
        palette->setSelectColor(argb);
}

} // namespace kestrin
