#include "page/SectionExpanders.h"

#include "base/Messages.h"
#include "ui/Controls.h"

namespace kestrin {

namespace {

struct Expander {
    const char* check;
    const char* container;
    bool scrollsIntoView;
};

constexpr Expander kExpanders[] = {
    {"ms_1_check_button", "ms_1_hor_button", false},
    {"ms_1_check_profile", "ms_1_ver_profile", false},
    {"ms_1_check_power", "ms_1_ver_power", false},
    {"ms_1_check_dpi", "ms_1_ver_dpi", false},
    {"ms_1_check_light", "ms_1_ver_light", false},
    {"ms_1_check_prate", "ms_1_ver_prate", false},
    {"ms_1_check_mouse_attribute", "ms_1_ver_mouse_attribute", false},
    {"ms_1_check_power_setting", "ms_1_ver_power_setting", true},
    {"ms_1_check_lift_of_distance", "ms_1_hor_lift_of_distance", true},
    {"ms_1_check_key_debounce", "ms_1_hor_key_debounce", true},
    {"ms_1_check_ripple_control", "ms_1_hor_ripple_control", true},
    {"ms_1_check_angle_snap", "ms_1_hor_angle_snap", true},
    {"ms_1_check_motion_sync", "ms_1_hor_motion_sync", true},
};

constexpr int kScrollDelayMs = 10;

} // namespace

QStringList SectionExpanders::Containers()
{
    QStringList containers;
    for (const Expander& expander : kExpanders)
        containers << QLatin1String(expander.container);
    return containers;
}

bool SectionExpanders::Notify(TNotifyUI& msg)
{
    auto* check = dynamic_cast<COptionUI*>(msg.pSender);
    if (msg.sType != DUI_MSGTYPE_CHECKCLICK || !check)
        return false;
    const QString name = check->GetName();
    for (const Expander& expander : kExpanders) {
        if (name != QLatin1String(expander.check))
            continue;
        const bool open = check->IsSelected();
        window_.Show(QLatin1String(expander.container), open);
        // Scroll once the opened section has been laid out.
        if (open && expander.scrollsIntoView)
            window_.SetTimer(TIMER_SCROLL_SETTINGS, kScrollDelayMs);
        return true;
    }
    return false;
}

} // namespace kestrin
