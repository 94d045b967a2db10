#include "app/DPIMsg.h"

#include "platform/WorkArea.h"

#include <QCursor>
#include <QWidget>

#include <algorithm>

namespace kestrin {

namespace {

constexpr int kMinWidth = 200;
constexpr int kHeight = 50;
constexpr int kScreenGap = 10;
constexpr int kTextMargin = 24; // both sides

} // namespace

QRect CDPIMsg::PlaceFor(const QRect& workArea, QPoint screenOrigin, int width)
{
    width = std::min(std::max(width, kMinWidth), workArea.width() - 2 * kScreenGap);
    return QRect(screenOrigin.x() + workArea.width() - kScreenGap - width,
        screenOrigin.y() + workArea.height() - kScreenGap - kHeight, width, kHeight);
}

void CDPIMsg::SetText(const QString& text)
{
    text_ = text;
    if (!label_)
        return;
    label_->SetText(text);
    Place();
}

void CDPIMsg::OnLayoutLoaded()
{
    label_ = paintManager_.FindControl(QStringLiteral("dpi_label"));
    if (!label_)
        return;
    label_->SetText(text_);
    Place();
}

void CDPIMsg::Place()
{
    // A profile's name is longer than a DPI: the display grows to the left for it.
    const int width =
        label_->GetWidget() ? label_->GetWidget()->sizeHint().width() + kTextMargin : kMinWidth;
    const QWidget* owner = GetWidget() ? GetWidget()->parentWidget() : nullptr;
    const ScreenPlace screen =
        GetScreenAt(owner && owner->isVisible() ? owner->frameGeometry().center() : QCursor::pos());
    const QRect place = PlaceFor(screen.workArea, screen.origin, width);
    MoveWindow(place.x(), place.y(), place.width(), place.height());
}

} // namespace kestrin
