#include "page/DpiSection.h"

#include "page/DigitFilters.h"
#include "page/DpiText.h"
#include "profiles/ProfileRanges.h"
#include "ui/Controls.h"

#include <algorithm>
#include <memory>

namespace kestrin {

namespace {

constexpr int kStages = kDpiStageCount;

const QLatin1StringView kSlider("ms_1_slider_dpi_");
const QLatin1StringView kLabel("ms_1_label_dpi_");
const QLatin1StringView kEdit("ms_1_edit_dpi_");
const QLatin1StringView kOption("ms_1_option_dpi_step_");
const QLatin1StringView kSwatch("ms_1_btn_dpi_color_");

QString Named(QLatin1StringView prefix, int stage) { return prefix + QString::number(stage + 1); }

} // namespace

bool DpiSection::Notify(TNotifyUI& msg)
{
    if (!msg.pSender)
        return false;
    const QString name = msg.pSender->GetName();
    if (msg.sType == DUI_MSGTYPE_VALUECHANGED) {
        const auto n = NumberedName(name, kSlider, kStages);
        auto* slider = dynamic_cast<CSliderUI*>(msg.pSender);
        if (!n || !slider)
            return false;
        const int value = slider->GetValue();
        context_.profiles.EditCurrent([&](ProfileRecord& p) { p.dpiX[*n - 1] = value; });
        ShowStageValue(*n - 1, value, false);
        return true;
    }
    if (msg.sType == DUI_MSGTYPE_KILLFOCUS || msg.sType == DUI_MSGTYPE_RETURN) {
        const auto n = NumberedName(name, kEdit, kStages);
        if (!n)
            return false;
        CommitDpiEdit(*n - 1);
        return true;
    }
    if (msg.sType == DUI_MSGTYPE_TEXTCHANGED) {
        const auto n = NumberedName(name, kEdit, kStages);
        if (!n)
            return false;
        if (auto* edit = dynamic_cast<CEditUI*>(msg.pSender))
            FilterDigits(*edit);
        return true;
    }
    if (msg.sType == DUI_MSGTYPE_SELECTCHANGED) {
        const auto n = NumberedName(name, kOption, kStages);
        if (!n)
            return false;
        context_.profiles.EditCurrent([&](ProfileRecord& p) { p.currentDpiStage = *n - 1; });
        context_.requestApply(0);
        return true;
    }
    if (msg.sType == DUI_MSGTYPE_CLICK) {
        if (const auto n = NumberedName(name, kSwatch, kStages)) {
            ChooseStageColor(*n - 1, *msg.pSender);
            return true;
        }
        if (name == QLatin1String("ms_1_btn_apply_dpi")) {
            context_.requestApply(0);
            return true;
        }
        if (name == QLatin1String("ms_1_btn_reset_dpi")) {
            ResetDpiStages();
            return true;
        }
    }
    return false;
}

void DpiSection::CommitDpiEdit(int stage)
{
    auto* edit = context_.window.Find<CEditUI>(Named(kEdit, stage));
    if (!edit)
        return;
    const int32_t units = DpiUnitsFromText(edit->GetText().toStdU16String());
    context_.profiles.EditCurrent([&](ProfileRecord& p) { p.dpiX[stage] = units; });
    ShowStageValue(stage, units, true);
}

void DpiSection::ShowStageValue(int stage, int32_t units, bool moveSlider)
{
    if (moveSlider)
        SetSliderQuietly(context_.window, Named(kSlider, stage), units);
    const QString text = QString::number(DpiOfUnits(units));
    if (CControlUI* label = context_.window.Find(Named(kLabel, stage)))
        label->SetText(text);
    if (CControlUI* edit = context_.window.Find(Named(kEdit, stage)))
        edit->SetText(text);
}

void DpiSection::ChooseStageColor(int stage, CControlUI& swatch)
{
    RgbColor stored{};
    const ProfileRecord* madeFor = nullptr;
    if (!context_.profiles.EditCurrent([&](ProfileRecord& p) {
            stored = p.stageColor[stage];
            madeFor = &p;
        }))
        return;
    const std::optional<uint32_t> chosen = context_.chooseColor(swatch, ToArgb(stored));
    if (!chosen || !context_.profiles.EditCurrentIf(madeFor, [&](ProfileRecord& p) {
            p.stageColor[stage] = FromArgb(*chosen);
        }))
        return;
    // The swatch shows what is stored: a palette colour's alpha is not kept.
    swatch.SetBkColor(ToArgb(FromArgb(*chosen)));
    context_.requestApply(0);
}

void DpiSection::Refresh(const ProfileRecord& profile)
{
    SelectOptionQuietly(context_.window, kOption, profile.currentDpiStage, kStages);
    for (int stage = 0; stage < kStages; ++stage) {
        ShowStageValue(stage, profile.dpiX[stage], true);
        if (CControlUI* swatch = context_.window.Find(Named(kSwatch, stage)))
            swatch->SetBkColor(ToArgb(profile.stageColor[stage]));
    }
}

void DpiSection::SelectStageQuietly(int stage)
{
    SelectOptionQuietly(context_.window, kOption, stage, kStages);
}

void DpiSection::ResetDpiStages()
{
    const bool reset = context_.profiles.EditCurrent([](ProfileRecord& p) {
        // Only the DPI part: a fresh record's stages, colours and current stage.
        const auto defaults = std::make_unique<ProfileRecord>();
        ResetProfileDefaults(*defaults);
        p.currentDpiStage = defaults->currentDpiStage;
        std::copy_n(defaults->dpiX, kStages, p.dpiX);
        std::copy_n(defaults->dpiY, kStages, p.dpiY);
        std::copy_n(defaults->stageEnabled, kStages, p.stageEnabled);
        std::copy_n(defaults->stageColor, kStages, p.stageColor);
    });
    if (!reset)
        return;
    context_.refreshSettings();
    context_.requestApply(0);
}

} // namespace kestrin
