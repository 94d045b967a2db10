#include "app/DPIMsg.h"

#include "platform/WorkArea.h"

#include <QCursor>
#include <QWidget>

namespace kestrin {

QRect CDPIMsg::PlaceFor(const QRect& workArea, QPoint screenOrigin)
{
    return QRect(screenOrigin.x() + workArea.width() - 210,
        screenOrigin.y() + workArea.height() - 60, 200, 50);
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
    const QWidget* owner = GetWidget() ? GetWidget()->parentWidget() : nullptr;
    const ScreenPlace screen =
        GetScreenAt(owner && owner->isVisible() ? owner->frameGeometry().center() : QCursor::pos());
    const QRect place = PlaceFor(screen.workArea, screen.origin);
    MoveWindow(place.x(), place.y(), place.width(), place.height());
}

} // namespace kestrin
