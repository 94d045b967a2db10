#pragma once

#include "page/PageSection.h"

#include <QString>
#include <QStringList>

namespace kestrin {

// The lighting effect of each link family, its brightness, speed and colour. Which adjustment
// rows show follows the effect last chosen, not the profile shown.
class LightingSection {
public:
    explicit LightingSection(PageSectionContext& context) : context_(context) { }

    bool Notify(TNotifyUI& msg);
    // Combos, sliders and colour; the rows stay as they are.
    void Refresh(const ProfileRecord& profile);
    // The mouse changed its effect over Bluetooth.
    void ShowLightingMode(int32_t mode);
    void UpdateLightingRows(int32_t mode);
    // The rows that show or hide with the effect.
    static inline const QString kBrightnessRow = QStringLiteral("ms_1_hor_brightness");
    static inline const QString kSpeedRow = QStringLiteral("ms_1_hor_breathspeed");
    static inline const QString kColorRow = QStringLiteral("ms_1_hor_light_color");
    // The section's rows, each of a height the layout fixes.
    static QStringList Rows()
    {
        return {QStringLiteral("ms_1_light_effect"), QStringLiteral("ms_1_light_effect_ble"),
            kBrightnessRow, kSpeedRow, kColorRow};
    }

private:
    void ChooseLightingColor(CControlUI& swatch);

    PageSectionContext& context_;
};

} // namespace kestrin
