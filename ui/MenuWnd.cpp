#include "ui/MenuWnd.h"

#include "base/Messages.h"
#include "platform/WindowRegistry.h"
#include "platform/WorkArea.h"

#include <QAbstractButton>
#include <QWidget>

namespace kestrin {

void CMenuWnd::Init(void*, const QString& layout, QPoint point, CPaintManagerUI* mainManager, void*,
    uint32_t alignment)
{
    layout_ = layout;
    point_ = point;
    alignment_ = alignment;
    owner_ = mainManager ? mainManager->GetWindow() : 0;
    CWindowWnd* owner = CWindowWnd::FromHandle(owner_);
    Create(
        owner, QString(), WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, point.x(), point.y(), 0, 0);
    if (QWidget* host = GetWidget()) {
        host->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
        host->setAttribute(Qt::WA_DeleteOnClose, false);
    }
}

void CMenuWnd::ResizeMenu()
{
    QWidget* host = GetWidget();
    if (!host)
        return;
    host->adjustSize();
    if (QWidget* root = paintManager_.GetRoot())
        host->resize(host->size().expandedTo(root->sizeHint()));
    QRect frame(point_, host->size());
    if (alignment_ & eMenuAlignment_Right)
        frame.moveRight(point_.x());
    if (alignment_ & eMenuAlignment_Bottom)
        frame.moveBottom(point_.y());
    const QRect area = GetWorkArea();
    frame.moveLeft(std::clamp(
        frame.left(), area.left(), std::max(area.left(), area.right() - frame.width() + 1)));
    frame.moveTop(std::clamp(
        frame.top(), area.top(), std::max(area.top(), area.bottom() - frame.height() + 1)));
    host->move(frame.topLeft());
    host->show();
    host->raise();
    host->activateWindow();
}

QStringList CMenuWnd::VisibleItems() const
{
    QStringList items;
    if (QWidget* root = const_cast<CPaintManagerUI&>(paintManager_).GetRoot())
        for (auto* button : root->findChildren<QAbstractButton*>())
            if (!button->isHidden() && !button->objectName().isEmpty())
                items << button->objectName();
    return items;
}

void CMenuWnd::Notify(TNotifyUI& msg)
{
    if (msg.sType != DUI_MSGTYPE_CLICK || !msg.pSender)
        return;
    auto* command = new MenuCmd;
    command->szName = msg.pSender->GetName();
    command->szUserData = msg.pSender->GetUserData();
    command->szText = msg.pSender->GetText();
    if (auto* button = qobject_cast<QAbstractButton*>(msg.pSender->GetWidget()))
        command->bChecked = button->isChecked();
    if (!PostWindowMessage(owner_, WM_MENU_COMMAND, reinterpret_cast<uintptr_t>(command), 0))
        delete command;
    if (QWidget* host = GetWidget())
        host->hide();
}

intptr_t CMenuWnd::HandleCustomMessage(uint32_t message, uintptr_t, intptr_t, bool& handled)
{
    // Closing the popup (Escape, a click elsewhere) only hides it; its owner frees it.
    if (message == WM_CLOSE) {
        if (QWidget* host = GetWidget())
            host->hide();
        handled = true;
    }
    return 0;
}

} // namespace kestrin
