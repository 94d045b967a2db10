#pragma once

#include "ui/Control.h"

#include <QImage>
#include <QWidget>

namespace kestrin {

// A colour surface of ours: hue runs left to right, brightness top (full) to bottom (dark), at
// full saturation; a strip of greys along the bottom reaches white and black.
class ColorPaletteWidget final : public QWidget {
    Q_OBJECT
public:
    explicit ColorPaletteWidget(QWidget* parent = nullptr);
    // 0xAARRGGBB
    uint32_t selectColor() const { return color_; }
    void setSelectColor(uint32_t argb);
    QSize sizeHint() const override { return {240, 160}; }
    // The colour under a point of the surface, and the point that shows a colour.
    uint32_t colorAt(QPoint point) const;
    QPoint pointOf(uint32_t argb) const;

signals:
    void colorChanged(uint32_t argb);
    void colorReleased(uint32_t argb);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int GreyStripHeight() const;
    void Pick(QPoint point);

    uint32_t color_ = 0xFFFF0000;
    QPoint marker_;
    QImage surface_;
};

// "colorchanged" while the user drags over the palette, "colorchangedbuttonup" on release.
class CColorPaletteUI : public CControlUI {
public:
    CColorPaletteUI(QWidget* widget, CPaintManagerUI* manager);
    uint32_t GetSelectColor() const;
    // Never notifies.
    void SetSelectColor(uint32_t argb);
};

} // namespace kestrin
