#pragma once

#include "ui/Notify.h"
#include "ui/PageWindow.h"

namespace kestrin {

// The check boxes that open and close the page's sections. They change no setting and are
// not stored; opening a sub-section at the bottom of the settings column scrolls it into view.
class SectionExpanders {
public:
    explicit SectionExpanders(PageWindow& window) : window_(window) { }

    bool Notify(TNotifyUI& msg);

private:
    PageWindow& window_;
};

} // namespace kestrin
