#include "page/BatteryDisplay.h"

#include "base/Messages.h"
#include "ui/Controls.h"

namespace kestrin {
namespace {

constexpr int kChargeAnimationMs = 30;
constexpr int kChargeAnimationStride = 2;

const QString kRing = QStringLiteral("ms_1_progress_power");
const QString kLabel = QStringLiteral("ms_1_label_power");

} // namespace

void BatteryDisplay::ShowBatteryLevel(int percent)
{
    level_ = percent;
    charging_ = false;
    if (auto* ring = window_.Find<CProgressUI>(kRing))
        ring->SetValue(percent);
    if (CControlUI* label = window_.Find(kLabel)) {
        label->SetResourceText(false);
        label->SetText(QStringLiteral("%1%").arg(percent));
    }
}

void BatteryDisplay::ShowCharging()
{
    level_.reset();
    charging_ = true;
    if (CControlUI* label = window_.Find(kLabel)) {
        label->SetResourceText(true);
        label->SetText(QStringLiteral("charging_text"));
    }
    window_.SetTimer(TIMER_CHARGE_ANIMATION, kChargeAnimationMs);
}

void BatteryDisplay::StopAnimation() { window_.KillTimer(TIMER_CHARGE_ANIMATION); }

void BatteryDisplay::Clear()
{
    level_.reset();
    charging_ = false;
    if (CControlUI* label = window_.Find(kLabel)) {
        label->SetResourceText(false);
        label->SetText(QString());
    }
    StopAnimation();
}

void BatteryDisplay::Step()
{
    if (auto* ring = window_.Find<CProgressUI>(kRing))
        ring->SetValue(step_);
    step_ += kChargeAnimationStride;
    if (step_ > 100)
        step_ = 0;
}

} // namespace kestrin
