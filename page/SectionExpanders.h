#pragma once

#include "ui/Notify.h"
#include "ui/PageWindow.h"

#include <QStringList>

namespace kestrin {

// The check boxes that open and close the page's sections. They change no setting and are
// not stored; opening a sub-section at the bottom of the settings column scrolls it into view.
class SectionExpanders {
public:
    explicit SectionExpanders(PageWindow& window) : window_(window) { }

    bool Notify(TNotifyUI& msg);
    // The sections the check boxes open and close.
    static QStringList Containers();

private:
    PageWindow& window_;
};

} // namespace kestrin
