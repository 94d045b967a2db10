#include "ui/MenuWnd.h"

#include "base/Messages.h"
#include "platform/WindowRegistry.h"
#include "platform/WorkArea.h"
#include "ui/DialogBuilder.h"

#include <QAbstractButton>
#include <QFrame>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QWidget>

#include <cstdlib>
#include <utility>

namespace kestrin {
namespace {

// The arrow keys move between a menu's items and Enter chooses one.
class MenuKeys final : public QObject {
public:
    explicit MenuKeys(QWidget* host) : host_(host) { }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (event->type() != QEvent::KeyPress || !button)
            return false;
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Down:
            MoveFocus(button, true);
            return true;
        case Qt::Key_Up:
            MoveFocus(button, false);
            return true;
        case Qt::Key_Right:
            MoveAcross(button, true);
            return true;
        case Qt::Key_Left:
            MoveAcross(button, false);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            button->click();
            return true;
        default:
            return false;
        }
    }

private:
    // To the next (or previous) item of the menu that can be chosen, round the end.
    void MoveFocus(QAbstractButton* from, bool forward) const
    {
        QWidget* to = from;
        do {
            to = forward ? to->nextInFocusChain() : to->previousInFocusChain();
        } while (to != from &&
            !(qobject_cast<QAbstractButton*>(to) && to->isEnabled() && to->isVisible() &&
                host_->isAncestorOf(to)));
        to->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    }

    // To the item of the next column right (or left) nearest in height; none past the last.
    void MoveAcross(QAbstractButton* from, bool right) const
    {
        const QRect at(from->mapTo(host_, QPoint(0, 0)), from->size());
        QAbstractButton* best = nullptr;
        std::pair<int, int> bestDistance{};
        for (auto* item : host_->findChildren<QAbstractButton*>()) {
            if (!item->isEnabled() || !item->isVisible())
                continue;
            const QRect to(item->mapTo(host_, QPoint(0, 0)), item->size());
            const int across = right ? to.left() - at.right() : at.left() - to.right();
            if (across <= 0)
                continue;
            // The nearest column first, then the nearest row in it.
            const std::pair<int, int> distance{across, std::abs(to.center().y() - at.center().y())};
            if (!best || distance < bestDistance) {
                best = item;
                bestDistance = distance;
            }
        }
        if (best)
            best->setFocus(right ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    }

    QWidget* host_;
};

} // namespace

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
        keys_ = std::make_unique<MenuKeys>(host);
        for (auto* button : host->findChildren<QAbstractButton*>())
            button->installEventFilter(keys_.get());
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
    // The screen the menu opens on, not always the primary one.
    const QRect area = GetWorkAreaAt(point_);
    frame.moveLeft(std::clamp(
        frame.left(), area.left(), std::max(area.left(), area.right() - frame.width() + 1)));
    frame.moveTop(std::clamp(
        frame.top(), area.top(), std::max(area.top(), area.bottom() - frame.height() + 1)));
    host->move(frame.topLeft());
    host->show();
    host->raise();
    host->activateWindow();
    // Ready for the keyboard: the item asked for has the focus, else the first that can be
    // chosen.
    QAbstractButton* first = nullptr;
    QAbstractButton* asked = nullptr;
    for (auto* button : host->findChildren<QAbstractButton*>()) {
        if (!button->isEnabled() || button->isHidden())
            continue;
        if (!first)
            first = button;
        if (button->objectName() == focusedItem_) {
            asked = button;
            break;
        }
    }
    if (QAbstractButton* focused = asked ? asked : first)
        focused->setFocus(Qt::PopupFocusReason);
}

bool CMenuWnd::IsOpenFor(const QString& item) const
{
    const QWidget* host = GetWidget();
    return (host && host->isVisible()) ||
        (!chosen_.isEmpty() && chosen_.compare(item, Qt::CaseInsensitive) == 0);
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

void CMenuWnd::SetItemChecked(const QString& item, bool checked)
{
    if (QWidget* host = GetWidget())
        if (auto* button = host->findChild<QAbstractButton*>(item))
            button->setChecked(checked);
}

bool PostMenuCommand(KestrinWindow owner, MenuCmd command)
{
    auto* record = new MenuCmd(std::move(command));
    if (PostWindowMessage(owner, WM_MENU_COMMAND, reinterpret_cast<uintptr_t>(record), 0))
        return true;
    delete record;
    return false;
}

void CMenuWnd::Notify(TNotifyUI& msg)
{
    if (msg.sType != DUI_MSGTYPE_CLICK || !msg.pSender)
        return;
    MenuCmd command;
    command.szName = msg.pSender->GetName();
    chosen_ = command.szName;
    command.szUserData = msg.pSender->GetUserData();
    command.szText = msg.pSender->GetText();
    if (auto* button = qobject_cast<QAbstractButton*>(msg.pSender->GetWidget()))
        command.bChecked = button->isChecked();
    PostMenuCommand(owner_, std::move(command));
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

namespace {

class PanelMenu final : public QMenu {
public:
    void setVisible(bool visible) override
    {
        if (!visible)
            QMenu::setVisible(false);
    }
};

} // namespace

std::unique_ptr<QMenu> BuildPanelMenu(const QString& layout, KestrinWindow owner)
{
    const std::unique_ptr<QWidget> root(CDialogBuilder::BuildWidget(layout));
    if (!root || !root->layout())
        return nullptr;
    std::unique_ptr<QMenu> menu = std::make_unique<PanelMenu>();
    const QLayout& items = *root->layout();
    for (int i = 0; i < items.count(); ++i) {
        const QWidget* widget = items.itemAt(i)->widget();
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            MenuCmd command;
            command.szName = button->objectName();
            command.szText = button->text();
            QAction* action = menu->addAction(button->text());
            QObject::connect(action, &QAction::triggered, menu.get(),
                [owner, command] { PostMenuCommand(owner, command); });
        } else if (widget && widget->metaObject() == &QFrame::staticMetaObject) {
            menu->addSeparator();
        }
    }
    return menu;
}

} // namespace kestrin
