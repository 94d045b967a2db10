#include "page/PerformanceSection.h"

#include "platform/DesktopMouseSettings.h"
#include "ui/Controls.h"
#include "ui/ResourceManager.h"

namespace kestrin {

namespace {

constexpr int kReportRates = 4;
constexpr int kSliderRestMs = 500;

const QLatin1StringView kReportRate("ms_1_btn_prate_");

// The two-way sensor options and the profile field each sets.
struct SensorOption {
    QLatin1StringView prefix;
    int32_t ProfileRecord::*field;
};
const SensorOption kSensorOptions[] = {
    {QLatin1StringView("ms_1_option_lift_of_distance_"), &ProfileRecord::liftOffDistance},
    {QLatin1StringView("ms_1_option_ripple_control_"), &ProfileRecord::rippleControl},
    {QLatin1StringView("ms_1_option_angle_snap_"), &ProfileRecord::angleSnap},
    {QLatin1StringView("ms_1_option_motion_sync_"), &ProfileRecord::motionSync},
};

QString Text(const char* id) { return CResourceManager::GetInstance()->GetText(QLatin1String(id)); }

void SetLabel(const PageWindow& window, const char* name, const QString& text)
{
    if (CControlUI* label = window.Find(QLatin1String(name)))
        label->SetText(text);
}

} // namespace

bool PerformanceSection::Notify(TNotifyUI& msg)
{
    if (!msg.pSender)
        return false;
    const QString name = msg.pSender->GetName();
    if (msg.sType == DUI_MSGTYPE_SELECTCHANGED)
        return OnOption(name);
    if (auto* slider = dynamic_cast<CSliderUI*>(msg.pSender);
        slider && msg.sType == DUI_MSGTYPE_VALUECHANGED)
        return OnSlider(name, slider->GetValue());
    if (auto* check = dynamic_cast<COptionUI*>(msg.pSender); check &&
        msg.sType == DUI_MSGTYPE_CHECKCLICK && name == QLatin1String("ms_1_check_movemode")) {
        const bool checked = check->IsSelected();
        context_.profiles.EditCurrent([&](ProfileRecord& p) { p.moveMode = checked ? 1 : 0; });
        context_.requestApply(0);
        return true;
    }
    if (msg.sType == DUI_MSGTYPE_CLICK) {
        if (name == QLatin1String("ms_1_btn_mouse_attribute")) {
            OpenDesktopMouseSettings();
            return true;
        }
        if (name == QLatin1String("ms_1_apply_btn")) {
            context_.requestApply(0);
            return true;
        }
    }
    return false;
}

bool PerformanceSection::OnOption(const QString& name)
{
    if (const auto n = NumberedName(name, kReportRate, kReportRates)) {
        context_.profiles.EditCurrent([&](ProfileRecord& p) { p.reportRate = *n - 1; });
        ShowReportRate(*n - 1);
        context_.requestApply(0);
        return true;
    }
    for (const SensorOption& option : kSensorOptions) {
        if (const auto n = NumberedName(name, option.prefix, 2)) {
            context_.profiles.EditCurrent([&](ProfileRecord& p) { p.*option.field = *n - 1; });
            context_.requestApply(0);
            return true;
        }
    }
    return false;
}

bool PerformanceSection::OnSlider(const QString& name, int value)
{
    if (name == QLatin1String("ms_1_slider_key_debounce")) {
        context_.profiles.EditCurrent([&](ProfileRecord& p) { p.keyDebounce = value; });
        UpdateDebounceLabel(value);
    } else if (name == QLatin1String("ms_1_slider_light_off")) {
        context_.profiles.EditCurrent([&](ProfileRecord& p) { p.lightOffTimer = value; });
        UpdateLightOffLabel(value);
    } else if (name == QLatin1String("ms_1_slider_sleep_timer")) {
        context_.profiles.EditCurrent([&](ProfileRecord& p) { p.sleepTimer = value; });
        UpdateSleepLabel(value);
    } else {
        return false;
    }
    context_.requestApply(kSliderRestMs);
    return true;
}

void PerformanceSection::Refresh(const ProfileRecord& profile)
{
    const PageWindow& window = context_.window;
    SelectOptionQuietly(window, kReportRate, profile.reportRate, kReportRates);
    if (profile.reportRate >= 0 && profile.reportRate < kReportRates)
        ShowReportRate(profile.reportRate);
    for (const SensorOption& option : kSensorOptions)
        SelectOptionQuietly(window, option.prefix, profile.*option.field, 2);
    SetSliderQuietly(window, QStringLiteral("ms_1_slider_light_off"), profile.lightOffTimer);
    UpdateLightOffLabel(profile.lightOffTimer);
    SetSliderQuietly(window, QStringLiteral("ms_1_slider_sleep_timer"), profile.sleepTimer);
    UpdateSleepLabel(profile.sleepTimer);
    SetSliderQuietly(window, QStringLiteral("ms_1_slider_key_debounce"), profile.keyDebounce);
    UpdateDebounceLabel(profile.keyDebounce);
    if (auto* moveMode = window.Find<CCheckBoxUI>(QStringLiteral("ms_1_check_movemode")))
        moveMode->SetCheck(profile.moveMode != 0, false);
}

void PerformanceSection::ShowReportRate(int32_t rate)
{
    static const char* const kRateTexts[kReportRates] = {
        "prate_1_text", "prate_2_text", "prate_3_text", "prate_4_text"};
    if (rate < 0 || rate >= kReportRates)
        return;
    SelectOptionQuietly(context_.window, kReportRate, rate, kReportRates);
    if (CControlUI* label = context_.window.Find(QStringLiteral("ms_1_label_prate"))) {
        label->SetResourceText(true);
        label->SetText(QLatin1String(kRateTexts[rate]));
    }
}

void PerformanceSection::UpdateDebounceLabel(int32_t debounce)
{
    SetLabel(context_.window, "ms_1_label_key_debounce", QStringLiteral("%1 MS").arg(debounce * 2));
}

void PerformanceSection::UpdateLightOffLabel(int32_t lightOff)
{
    SetLabel(context_.window, "ms_1_label_light_off",
        QStringLiteral("%1%2 %3").arg(Text("sleep_timer_1_text"),
            QString::number(lightOff * 0.5, 'f', 1), Text("sleep_timer_2_text")));
}

void PerformanceSection::UpdateSleepLabel(int32_t sleep)
{
    SetLabel(context_.window, "ms_1_label_sleep_timer",
        QStringLiteral("%1%2 %3").arg(
            Text("sleep_timer_3_text"), QString::number(sleep), Text("sleep_timer_2_text")));
}

} // namespace kestrin
