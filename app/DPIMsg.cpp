#include "app/DPIMsg.h"

#include "platform/WorkArea.h"

namespace kestrin {

QRect CDPIMsg::PlaceFor(const QRect& workArea)
{
    return QRect(workArea.width() - 210, workArea.height() - 60, 200, 50);
}

void CDPIMsg::SetText(const QString& text)
{
    text_ = text;
    if (label_)
        label_->SetText(text);
}

void CDPIMsg::OnLayoutLoaded()
{
    label_ = paintManager_.FindControl(QStringLiteral("dpi_label"));
    if (!label_)
        return;
    label_->SetText(text_);
    const QRect place = PlaceFor(GetWorkArea());
    MoveWindow(place.x(), place.y(), place.width(), place.height());
}

} // namespace kestrin
