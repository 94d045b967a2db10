#include "page/LightingSection.h"

#include "ui/Controls.h"

namespace kestrin {

namespace {

constexpr int kEffectRestMs = 200;
constexpr int kSliderRestMs = 500;

// The sliders' read-outs: the level as it is stored.
void ShowLevel(const PageWindow& window, const char* label, int32_t value)
{
    if (CControlUI* readout = window.Find(QLatin1String(label)))
        readout->SetText(QString::number(value));
}

void SelectQuietly(const PageWindow& window, const QString& name, int32_t index)
{
    auto* combo = window.Find<CComboUI>(name);
    if (combo && index >= 0 && index < combo->GetCount())
        combo->SelectItem(index, false);
}

} // namespace

bool LightingSection::Notify(TNotifyUI& msg)
{
    if (!msg.pSender)
        return false;
    const QString name = msg.pSender->GetName();
    if (msg.sType == DUI_MSGTYPE_ITEMSELECT) {
        const bool ble = name == QLatin1String("ms_1_combo_light_ble");
        auto* combo = dynamic_cast<CComboUI*>(msg.pSender);
        if ((!ble && name != QLatin1String("ms_1_combo_light")) || !combo)
            return false;
        const int mode = combo->GetCurSel();
        if (mode < 0)
            return true;
        context_.profiles.EditCurrent(
            [&](ProfileRecord& p) { (ble ? p.bleLightingMode : p.lightingMode) = mode; });
        UpdateLightingRows(mode);
        context_.requestApply(kEffectRestMs);
        return true;
    }
    if (auto* slider = dynamic_cast<CSliderUI*>(msg.pSender);
        slider && msg.sType == DUI_MSGTYPE_VALUECHANGED) {
        const int value = slider->GetValue();
        if (name == QLatin1String("ms_1_slider_brightness")) {
            context_.profiles.EditCurrent([&](ProfileRecord& p) { p.brightness = value; });
            ShowLevel(context_.window, "ms_1_label_brightness", value);
        } else if (name == QLatin1String("ms_1_slider_breathspeed")) {
            context_.profiles.EditCurrent([&](ProfileRecord& p) { p.breathSpeed = value; });
            ShowLevel(context_.window, "ms_1_label_breathspeed", value);
        } else {
            return false;
        }
        context_.requestApply(kSliderRestMs);
        return true;
    }
    if (msg.sType == DUI_MSGTYPE_CLICK && name == QLatin1String("ms_1_btn_light_color")) {
        ChooseLightingColor(*msg.pSender);
        return true;
    }
    return false;
}

void LightingSection::UpdateLightingRows(int32_t mode)
{
    const PageWindow& window = context_.window;
    window.Show(kBrightnessRow, false);
    window.Show(kSpeedRow, false);
    window.Show(kColorRow, false);
    if (mode == 1) {
        window.Show(kBrightnessRow, true);
        window.Show(kColorRow, true);
    } else if (mode == 2) {
        window.Show(kSpeedRow, true);
        window.Show(kColorRow, true);
    } else if (mode >= 3 && mode <= 11) {
        window.Show(kSpeedRow, true);
    }
}

void LightingSection::Refresh(const ProfileRecord& profile)
{
    const PageWindow& window = context_.window;
    SelectQuietly(window, QStringLiteral("ms_1_combo_light"), profile.lightingMode);
    SelectQuietly(window, QStringLiteral("ms_1_combo_light_ble"), profile.bleLightingMode);
    SetSliderQuietly(window, QStringLiteral("ms_1_slider_brightness"), profile.brightness);
    SetSliderQuietly(window, QStringLiteral("ms_1_slider_breathspeed"), profile.breathSpeed);
    ShowLevel(window, "ms_1_label_brightness", profile.brightness);
    ShowLevel(window, "ms_1_label_breathspeed", profile.breathSpeed);
    if (CControlUI* swatch = window.Find(QStringLiteral("ms_1_btn_light_color")))
        swatch->SetBkColor(ToArgb(profile.lightingColor));
    UpdateLightingRows(profile.lightingMode);
}

void LightingSection::ShowLightingMode(int32_t mode)
{
    SelectQuietly(context_.window, QStringLiteral("ms_1_combo_light"), mode);
    UpdateLightingRows(mode);
}

void LightingSection::ChooseLightingColor(CControlUI& swatch)
{
    RgbColor stored{};
    const ProfileRecord* madeFor = nullptr;
    if (!context_.profiles.EditCurrent([&](ProfileRecord& p) {
            stored = p.lightingColor;
            madeFor = &p;
        }))
        return;
    const std::optional<uint32_t> chosen = context_.chooseColor(swatch, ToArgb(stored));
    if (!chosen || !context_.profiles.EditCurrentIf(madeFor, [&](ProfileRecord& p) {
            p.lightingColor = FromArgb(*chosen);
        }))
        return;
    // The swatch shows what is stored: a palette colour's alpha is not kept.
    swatch.SetBkColor(ToArgb(FromArgb(*chosen)));
    context_.requestApply(0);
}

} // namespace kestrin
