#pragma once

#include <QPixmap>
#include <QWidget>

namespace kestrin {

// The battery ring: an arc that fills with the value (0 to 100), the number in its middle. A
// battery running low draws the arc in a warning colour.
class BatteryRing final : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue)
    Q_PROPERTY(QColor ringColor READ ringColor WRITE setRingColor)
    Q_PROPERTY(QColor lowColor READ lowColor WRITE setLowColor)
    Q_PROPERTY(QColor criticalColor READ criticalColor WRITE setCriticalColor)
    Q_PROPERTY(QColor trackColor READ trackColor WRITE setTrackColor)
    Q_PROPERTY(bool showText READ showText WRITE setShowText)
    Q_PROPERTY(QColor backdropColor READ backdropColor WRITE setBackdropColor)
public:
    explicit BatteryRing(QWidget* parent = nullptr);
    int value() const { return value_; }
    void setValue(int value);
    QColor ringColor() const { return ring_; }
    void setRingColor(const QColor& color);
    QColor lowColor() const { return low_; }
    void setLowColor(const QColor& color);
    QColor criticalColor() const { return critical_; }
    void setCriticalColor(const QColor& color);
    enum class Warning { None, Low, Critical };
    void setWarning(Warning warning);
    // The arc's colour now.
    QColor arcColor() const;
    QColor trackColor() const { return track_; }
    void setTrackColor(const QColor& color);
    bool showText() const { return showText_; }
    void setShowText(bool show);
    // The flat colour of what lies under the ring. With one set, the ring paints it itself and
    // Qt no longer repaints the widgets beneath for each frame of the animation; without one
    // (an invalid or translucent colour) the ring is drawn over its parent.
    QColor backdropColor() const { return backdrop_; }
    void setBackdropColor(const QColor& color);
    QSize sizeHint() const override { return {64, 64}; }

    // How often the track has been drawn; the charging animation must not draw it.
    int trackDrawsForTesting() const { return trackDraws_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    qreal PenWidth() const;
    QRectF RingRect() const;
    QFont TextFont() const;
    // What a change of the value from one to the other repaints: the arc with its caps, and
    // the number.
    QRect ChangedBetween(int from, int to) const;
    void DrawTrack(qreal dpr);

    int value_ = 0;
    QColor ring_{0x2E, 0xD5, 0x73};
    QColor low_{0xFF, 0xB5, 0x47};
    QColor critical_{0xFF, 0x4D, 0x4F};
    Warning warning_ = Warning::None;
    QColor track_{0x2A, 0x2F, 0x3A};
    bool showText_ = true;
    QColor backdrop_;
    // The full circle under the arc, which the animation never changes.
    QPixmap trackPixmap_;
    int trackDraws_ = 0;
};

} // namespace kestrin
