#pragma once

#include <QWidget>

#include <functional>
#include <memory>

class QSvgRenderer;

namespace kestrin {

// The drawing of the mouse in the button section (the skin's "images/mouse.svg"), every button
// an element "button_N". One button may be highlighted; hovering a button on the drawing tells
// the page which (0 when the pointer leaves them), so the page can highlight its control.
class MouseDrawing final : public QWidget {
public:
    MouseDrawing(const QString& svgFile, QWidget* parent);
    ~MouseDrawing() override;

    // 1 to 18, or 0 for none.
    void SetHighlight(int button);
    int Highlight() const { return highlight_; }
    void OnHover(std::function<void(int button)> hovered) { hovered_ = std::move(hovered); }

    // The button under `point` (widget coordinates), 0 for none.
    int ButtonAt(QPointF point) const;
    // Where button n lies on the widget.
    QRectF ButtonRect(int button) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QRectF Viewport() const;
    // Where an element of the drawing lies on the widget.
    QRectF ElementRect(const QString& id) const;

    std::unique_ptr<QSvgRenderer> renderer_;
    int highlight_ = 0;
    int hoveredButton_ = 0;
    std::function<void(int)> hovered_;
};

} // namespace kestrin
