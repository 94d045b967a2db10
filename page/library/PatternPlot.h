#pragma once

#include <QPoint>
#include <QWidget>

#include <vector>

namespace kestrin {

// The path a recoil pattern moves the pointer along: from the start through where each shot
// leaves it, x to the right and y down as on the screen, both at one scale so the shape is
// true. One shot may be marked (the one being edited).
class PatternPlot final : public QWidget {
public:
    explicit PatternPlot(QWidget* parent = nullptr);

    // Where each shot leaves the pointer, in order; `marked` is 0-based, -1 for none.
    void SetPath(std::vector<QPoint> points, int marked);
    const std::vector<QPoint>& Path() const { return points_; }
    int Marked() const { return marked_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<QPoint> points_;
    int marked_ = -1;
};

} // namespace kestrin
