#pragma once

#include "page/PageSection.h"

namespace kestrin {

// Report rate, lift-off distance, ripple control, angle snap, motion sync, move mode, key
// debounce and the light-off and sleep timers. Options and the check box ask for an apply at
// once; sliders ask 500 ms after they rest.
class PerformanceSection {
public:
    explicit PerformanceSection(PageSectionContext& context) : context_(context) { }

    bool Notify(TNotifyUI& msg);
    // Move mode is left as it shows: the refresh never sets it.
    void Refresh(const ProfileRecord& profile);
    // The mouse changed its report rate itself.
    void ShowReportRate(int32_t rate);

private:
    bool OnOption(const QString& name);
    bool OnSlider(const QString& name, int value);
    void UpdateDebounceLabel(int32_t debounce);
    void UpdateLightOffLabel(int32_t lightOff);
    void UpdateSleepLabel(int32_t sleep);

    PageSectionContext& context_;
};

} // namespace kestrin
