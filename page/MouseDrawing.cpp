#include "page/MouseDrawing.h"

#include "profiles/ProfileRecord.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

namespace kestrin {
namespace {

QString ElementOf(int button) { return QStringLiteral("button_%1").arg(button); }

} // namespace

MouseDrawing::MouseDrawing(const QString& svgFile, QWidget* parent)
    : QWidget(parent), renderer_(std::make_unique<QSvgRenderer>(svgFile))
{
    setMouseTracking(true);
    setObjectName(QStringLiteral("ms_1_mouse_drawing_view"));
}

MouseDrawing::~MouseDrawing() = default;

QSize MouseDrawing::sizeHint() const
{
    return renderer_->isValid() ? renderer_->defaultSize() : QSize(0, 0);
}

QRectF MouseDrawing::Viewport() const
{
    // The drawing keeps its proportions, centred in the widget.
    const QSizeF drawing = renderer_->viewBoxF().size();
    if (drawing.isEmpty())
        return {};
    const qreal scale = std::min(width() / drawing.width(), height() / drawing.height());
    const QSizeF shown = drawing * scale;
    return {QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown};
}

QRectF MouseDrawing::ButtonRect(int button) const { return ElementRect(ElementOf(button)); }

QRectF MouseDrawing::ElementRect(const QString& id) const
{
    if (!renderer_->elementExists(id))
        return {};
    const QRectF inDrawing =
        renderer_->transformForElement(id).mapRect(renderer_->boundsOnElement(id));
    const QRectF view = Viewport();
    const QRectF box = renderer_->viewBoxF();
    const qreal scale = view.width() / box.width();
    return {
        view.topLeft() + (inDrawing.topLeft() - box.topLeft()) * scale, inDrawing.size() * scale};
}

int MouseDrawing::ButtonAt(QPointF point) const
{
    for (int button = 1; button <= kButtonCount; ++button)
        if (ButtonRect(button).contains(point))
            return button;
    return 0;
}

void MouseDrawing::SetHighlight(int button)
{
    if (button == highlight_)
        return;
    highlight_ = button;
    update();
}

void MouseDrawing::paintEvent(QPaintEvent*)
{
    if (!renderer_->isValid())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer_->render(&painter, Viewport());
    if (highlight_ == 0)
        return;
    // The button's own shape in the skin's accent: drawn alone on a layer, then tinted.
    QColor accent = palette().color(QPalette::Highlight);
    accent.setAlpha(150);
    const QRectF rect = ButtonRect(highlight_);
    QImage layer(size() * devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(devicePixelRatio());
    layer.fill(Qt::transparent);
    QPainter tint(&layer);
    tint.setRenderHint(QPainter::Antialiasing);
    renderer_->render(&tint, ElementOf(highlight_), rect);
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    tint.fillRect(layer.rect(), accent);
    tint.end();
    painter.drawImage(QPointF(0, 0), layer);
    // Its number stays readable on top.
    const QString label = QStringLiteral("label_%1").arg(highlight_);
    if (renderer_->elementExists(label))
        renderer_->render(&painter, label, ElementRect(label));
}

void MouseDrawing::mouseMoveEvent(QMouseEvent* event)
{
    const int button = ButtonAt(event->position());
    if (button != hoveredButton_) {
        hoveredButton_ = button;
        SetHighlight(button);
        if (hovered_)
            hovered_(button);
    }
    QWidget::mouseMoveEvent(event);
}

void MouseDrawing::leaveEvent(QEvent* event)
{
    if (hoveredButton_ != 0) {
        hoveredButton_ = 0;
        SetHighlight(0);
        if (hovered_)
            hovered_(0);
    }
    QWidget::leaveEvent(event);
}

} // namespace kestrin
