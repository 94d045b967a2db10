#include "page/BatteryDisplay.h"

#include "base/Messages.h"
#include "device/LowBattery.h"
#include "ui/BatteryRing.h"
#include "ui/Controls.h"

namespace kestrin {
namespace {

constexpr int kChargeAnimationMs = 30;
constexpr int kChargeAnimationStride = 2;

const QString kRing = QStringLiteral("ms_1_progress_power");
const QString kLabel = QStringLiteral("ms_1_label_power");

} // namespace

CProgressUI* BatteryDisplay::Ring()
{
    // Found once: the animation sets it thirty times a second, and a search walks the page.
    if (!ringWidget_) {
        ring_ = window_.Find<CProgressUI>(kRing);
        ringWidget_ = ring_ ? ring_->GetWidget() : nullptr;
    }
    return ringWidget_ ? ring_ : nullptr;
}

void BatteryDisplay::SetWarning(int level)
{
    if (!Ring())
        return;
    if (auto* ring = qobject_cast<BatteryRing*>(ringWidget_.data())) {
        ring->setWarning(level == LowBatteryWatch::kCritical ? BatteryRing::Warning::Critical
                : level == LowBatteryWatch::kLow             ? BatteryRing::Warning::Low
                                                             : BatteryRing::Warning::None);
    }
}

void BatteryDisplay::ShowBatteryLevel(int percent)
{
    level_ = percent;
    charging_ = false;
    if (CProgressUI* ring = Ring())
        ring->SetValue(percent);
    SetWarning(LowBatteryWatch::LevelOf(percent));
    if (CControlUI* label = window_.Find(kLabel)) {
        label->SetResourceText(false);
        label->SetText(QStringLiteral("%1%").arg(percent));
    }
}

void BatteryDisplay::ShowCharging()
{
    level_.reset();
    charging_ = true;
    SetWarning(0);
    if (CControlUI* label = window_.Find(kLabel)) {
        label->SetResourceText(true);
        label->SetText(QStringLiteral("charging_text"));
    }
    animating_ = true;
    RunAnimation();
}

void BatteryDisplay::StopAnimation()
{
    animating_ = false;
    window_.KillTimer(TIMER_CHARGE_ANIMATION);
}

void BatteryDisplay::SetWindowSeen(bool seen)
{
    if (seen == seen_)
        return;
    seen_ = seen;
    if (seen)
        RunAnimation();
    else
        window_.KillTimer(TIMER_CHARGE_ANIMATION);
}

void BatteryDisplay::RunAnimation() const
{
    if (animating_ && seen_)
        window_.SetTimer(TIMER_CHARGE_ANIMATION, kChargeAnimationMs);
}

void BatteryDisplay::Clear()
{
    level_.reset();
    charging_ = false;
    SetWarning(0);
    if (CControlUI* label = window_.Find(kLabel)) {
        label->SetResourceText(false);
        label->SetText(QString());
    }
    StopAnimation();
}

void BatteryDisplay::Step()
{
    if (CProgressUI* ring = Ring())
        ring->SetValue(step_);
    step_ += kChargeAnimationStride;
    if (step_ > 100)
        step_ = 0;
}

} // namespace kestrin
