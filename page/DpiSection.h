#pragma once

#include "page/PageSection.h"

namespace kestrin {

// The eight DPI stages: slider, read-out, edit box, stage option and colour swatch per stage,
// and the buttons that send the DPI settings and restore their defaults. Moving a slider or
// typing a value only edits the profile; the stage option, the swatch and the send button ask
// for an apply.
class DpiSection {
public:
    explicit DpiSection(PageSectionContext& context) : context_(context) { }

    // True when the notification was one of this section's.
    bool Notify(TNotifyUI& msg);
    void Refresh(const ProfileRecord& profile);
    // The mouse changed its stage itself: shown without a notification, so nothing is sent back.
    void SelectStageQuietly(int stage);
    void ResetDpiStages();

private:
    void CommitDpiEdit(int stage);
    void ShowStageValue(int stage, int32_t units, bool moveSlider);
    void ChooseStageColor(int stage, CControlUI& swatch);

    PageSectionContext& context_;
};

} // namespace kestrin
