#pragma once

#include "ui/PageWindow.h"

#include <QPointer>
#include <QWidget>

#include <optional>

namespace kestrin {

class CProgressUI;

// The battery ring "ms_1_progress_power" and its label "ms_1_label_power": empty, a level, or
// the charging display, where the ring sweeps from 0 to 100 on the main window's 30 ms timer
// and the label reads the language text "charging_text". The sweep runs only while the window
// can be seen; hidden or minimised it holds its step, and goes on from there when shown. A level
// the low-battery warnings would warn of draws the ring in their colour.
class BatteryDisplay final {
public:
    explicit BatteryDisplay(const PageWindow& window) : window_(window) { }

    void ShowBatteryLevel(int percent);
    void ShowCharging();
    void StopAnimation();
    // A cable removal: no text, the animation stopped.
    void Clear();
    // A fresh sweep starts from an empty ring.
    void ResetAnimation() { step_ = 0; }
    // One tick of the charging animation.
    void Step();
    void SetWindowSeen(bool seen);
    int AnimationStep() const { return step_; }

    // What the display tells now: a level, charging, or nothing.
    std::optional<int> Level() const { return level_; }
    bool Charging() const { return charging_; }

private:
    void RunAnimation() const;
    // A LowBatteryWatch level, 0 for none.
    void SetWarning(int level);
    CProgressUI* Ring();

    const PageWindow& window_;
    int step_ = 0;
    std::optional<int> level_;
    bool charging_ = false;
    bool animating_ = false;
    bool seen_ = false;
    CProgressUI* ring_ = nullptr;
    QPointer<QWidget> ringWidget_; // the control goes with it
};

} // namespace kestrin
