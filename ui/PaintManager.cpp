#include "ui/PaintManager.h"

#include "base/Folders.h"
#include "ui/BatteryRing.h"
#include "ui/ColorPalette.h"
#include "ui/Controls.h"
#include "ui/DialogBuilder.h"
#include "ui/ListUI.h"
#include "ui/ResourceManager.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QStackedWidget>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>

namespace kestrin {

namespace {
// Marks a part given Tab's focus only to stand in for its content until it is built.
constexpr char kTabStandIn[] = "kestrin_tab_stand_in";
} // namespace

CPaintManagerUI::CPaintManagerUI() = default;

CPaintManagerUI::~CPaintManagerUI() = default;

void CPaintManagerUI::AttachLayout(QWidget* root)
{
    root_ = root;
    AdoptSubtree(root);
}

CControlUI* CPaintManagerUI::AdoptSubtree(QWidget* subtree)
{
    if (!subtree)
        return nullptr;
    Wrap(subtree);
    for (QWidget* child : subtree->findChildren<QWidget*>()) {
        Wrap(child);
        if (CDialogBuilder::IsDeferred(child))
            WatchPart(child);
    }
    return ControlFor(subtree);
}

std::unique_ptr<CControlUI> CPaintManagerUI::MakeControl(QWidget* widget)
{
    if (qobject_cast<ColorPaletteWidget*>(widget))
        return std::make_unique<CColorPaletteUI>(widget, this);
    if (qobject_cast<BatteryRing*>(widget) || qobject_cast<QProgressBar*>(widget))
        return std::make_unique<CProgressUI>(widget, this);
    // The wheel alone never focuses a value control (see ScrollPastValueControl).
    if (widget->focusPolicy() == Qt::WheelFocus)
        widget->setFocusPolicy(Qt::StrongFocus);
    if (qobject_cast<QAbstractSlider*>(widget))
        return std::make_unique<CSliderUI>(widget, this);
    if (qobject_cast<QComboBox*>(widget))
        return std::make_unique<CComboUI>(widget, this);
    if (qobject_cast<QListWidget*>(widget))
        return std::make_unique<CListUI>(widget, this);
    if (qobject_cast<QStackedWidget*>(widget))
        return std::make_unique<CTabLayoutUI>(widget, this);
    if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QPlainTextEdit*>(widget) ||
        qobject_cast<QTextEdit*>(widget))
        return std::make_unique<CEditUI>(widget, this);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        const QString group = widget->property("group").toString();
        if (!group.isEmpty()) {
            QButtonGroup*& buttons = groups_[group];
            if (!buttons)
                buttons = new QButtonGroup(this);
            buttons->addButton(button);
            return std::make_unique<COptionUI>(widget, this);
        }
        if (qobject_cast<QRadioButton*>(widget))
            return std::make_unique<COptionUI>(widget, this);
        if (button->isCheckable())
            return std::make_unique<CCheckBoxUI>(widget, this);
        return std::make_unique<CButtonUI>(widget, this);
    }
    if (qobject_cast<QLabel*>(widget))
        return std::make_unique<CLabelUI>(widget, this);
    return std::make_unique<CContainerUI>(widget, this);
}

void CPaintManagerUI::Wrap(QWidget* widget)
{
    const QString name = widget->objectName();
    // Qt's own inner widgets carry "qt_" names; unnamed widgets cannot be looked up.
    if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || controls_.contains(widget))
        return;
    auto control = MakeControl(widget);
    controls_.insert(widget, control.get());
    owned_.push_back(std::move(control));
    widget->installEventFilter(this);
    connect(widget, &QObject::destroyed, this, [this, widget] {
        CControlUI* gone = controls_.take(widget);
        for (auto it = timers_.begin(); it != timers_.end();) {
            if (it.key().first == gone) {
                it.value()->stop();
                it.value()->deleteLater();
                it = timers_.erase(it);
            } else {
                ++it;
            }
        }
        std::erase_if(owned_, [gone](const auto& owned) { return owned.get() == gone; });
    });
}

CControlUI* CPaintManagerUI::FindBuiltControl(const QString& name) const
{
    if (!root_ || name.isEmpty())
        return nullptr;
    return ControlFor(root_->objectName() == name ? root_ : root_->findChild<QWidget*>(name));
}

CControlUI* CPaintManagerUI::FindControl(const QString& name) const
{
    if (CControlUI* control = FindBuiltControl(name))
        return control;
    if (!root_ || name.isEmpty())
        return nullptr;
    // Not built yet is not missing: the code that asks needs it now.
    QWidget* part = CDialogBuilder::DeferredHolding(root_, name);
    if (!part)
        return nullptr;
    const_cast<CPaintManagerUI*>(this)->BuildPart(part);
    return ControlFor(root_->findChild<QWidget*>(name));
}

void CPaintManagerUI::BuildPart(QWidget* widget)
{
    if (!CDialogBuilder::BuildDeferred(widget))
        return;
    std::erase(waiting_, widget);
    if (widget->property(kTabStandIn).toBool()) {
        widget->setFocusPolicy(Qt::NoFocus);
        widget->setProperty(kTabStandIn, QVariant());
    }
    AdoptSubtree(widget);
    if (partBuilt_)
        partBuilt_(widget);
}

bool CPaintManagerUI::KeepsPlaceUntilSeen(const QWidget* widget) const
{
    return CDialogBuilder::IsDeferred(widget) && CDialogBuilder::HasFixedHeight(widget);
}

bool CPaintManagerUI::IsBuilt(const QString& name) const
{
    const QWidget* widget = !root_    ? nullptr
        : root_->objectName() == name ? root_
                                      : root_->findChild<QWidget*>(name);
    return widget && !CDialogBuilder::IsDeferred(widget);
}

CControlUI* CPaintManagerUI::ControlFor(QWidget* widget) const
{
    return widget ? controls_.value(widget) : nullptr;
}

void CPaintManagerUI::AddNotifier(INotifyUI* notifier)
{
    if (notifier && std::find(notifiers_.begin(), notifiers_.end(), notifier) == notifiers_.end())
        notifiers_.push_back(notifier);
}

void CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) { std::erase(notifiers_, notifier); }

QString CPaintManagerUI::VirtualWindowOf(const QWidget* widget) const
{
    for (; widget; widget = widget->parentWidget()) {
        const QString name = widget->property("virtualwnd").toString();
        if (!name.isEmpty())
            return name;
    }
    return QString();
}

void CPaintManagerUI::SendNotify(
    CControlUI* control, const QString& type, uintptr_t wParam, intptr_t lParam)
{
    TNotifyUI msg;
    msg.sType = type;
    msg.pSender = control;
    msg.sVirtualWnd = control ? VirtualWindowOf(control->GetWidget()) : QString();
    msg.wParam = wParam;
    msg.lParam = lParam;
    // A notifier may close its window while handling; work on a copy of the list.
    const auto notifiers = notifiers_;
    for (INotifyUI* notifier : notifiers)
        notifier->Notify(msg);
}

void CPaintManagerUI::SetTimer(CControlUI* control, int id, int milliseconds)
{
    if (!control)
        return;
    QTimer*& timer = timers_[{control, id}];
    if (!timer) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this,
            [this, control, id] { SendNotify(control, DUI_MSGTYPE_TIMER, uintptr_t(id)); });
    }
    timer->start(milliseconds);
}

void CPaintManagerUI::KillTimer(CControlUI* control, int id)
{
    if (QTimer* timer = timers_.take({control, id})) {
        timer->stop();
        timer->deleteLater();
    }
}

bool CPaintManagerUI::eventFilter(QObject* watched, QEvent* event)
{
    const char* type = nullptr;
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
        if (viewWatched_.contains(watched))
            BuildPartsInView();
        return false;
    case QEvent::FocusIn:
        if (auto* part = qobject_cast<QWidget*>(watched);
            part && std::find(waiting_.begin(), waiting_.end(), part) != waiting_.end()) {
            TakeFocusInto(part, static_cast<QFocusEvent*>(event)->reason());
            return false;
        }
        type = "setfocus";
        break;
    case QEvent::FocusOut:
        type = "killfocus";
        break;
    case QEvent::Enter:
        type = "mouseenter";
        break;
    case QEvent::Leave:
        type = "mouseleave";
        break;
    case QEvent::Wheel:
        return ScrollPastValueControl(qobject_cast<QWidget*>(watched), event);
    default:
        return false;
    }
    if (CControlUI* control = ControlFor(qobject_cast<QWidget*>(watched)))
        SendNotify(control, QString::fromLatin1(type));
    return false;
}

void CPaintManagerUI::WatchPart(QWidget* part)
{
    waiting_.emplace_back(part);
    // Standing in its content's place in the tab order, it is built as Tab reaches it.
    if (part->focusPolicy() == Qt::NoFocus) {
        part->setFocusPolicy(Qt::TabFocus);
        part->setProperty(kTabStandIn, true);
    }
    for (QWidget* widget = part; widget; widget = widget->parentWidget()) {
        viewWatched_.insert(widget);
        widget->installEventFilter(this);
    }
}

void CPaintManagerUI::BuildPartsInView()
{
    const auto inView = [](const QWidget* widget) {
        if (!widget->isVisible())
            return false;
        QRect seen = widget->rect();
        for (; !widget->isWindow() && !seen.isEmpty(); widget = widget->parentWidget())
            seen = seen.translated(widget->pos()) & widget->parentWidget()->rect();
        return !seen.isEmpty();
    };
    // Moves made by the layouts laid out here come back through the filter: this pass sees them.
    if (std::exchange(checkingView_, true))
        return;
    const auto waiting = waiting_;
    for (const QPointer<QWidget>& part : waiting) {
        if (!part || !part->isVisible())
            continue;
        // Shown before its layout placed it, a part stands where it was made, at the top.
        if (QLayout* layout = part->parentWidget() ? part->parentWidget()->layout() : nullptr)
            layout->activate();
        if (part && inView(part))
            BuildPart(part);
    }
    checkingView_ = false;
}

void CPaintManagerUI::TakeFocusInto(QWidget* part, Qt::FocusReason reason)
{
    BuildPart(part);
    const bool back = reason == Qt::BacktabFocusReason;
    const auto takesTab = [](const QWidget* widget) {
        return (widget->focusPolicy() & Qt::TabFocus) && widget->isVisible() && widget->isEnabled();
    };
    // The content follows the part in the tab order: on to its first widget that takes Tab (its
    // last, going back), or past it when none does.
    QWidget* next = nullptr;
    QWidget* after = part->nextInFocusChain();
    for (; part->isAncestorOf(after); after = after->nextInFocusChain())
        if (takesTab(after) && (back || !next))
            next = after;
    for (QWidget* widget = back ? part->previousInFocusChain() : after; !next && widget != part;
         widget = back ? widget->previousInFocusChain() : widget->nextInFocusChain())
        if (takesTab(widget))
            next = widget;
    if (next)
        next->setFocus(reason);
}

bool CPaintManagerUI::ScrollPastValueControl(QWidget* widget, QEvent* wheel)
{
    // A wheel turned to scroll the page must not change a slider or a combo it passes over: that
    // would send a setting to the mouse. Only a control the user has focused takes the wheel.
    if (!widget || widget->hasFocus() ||
        !(qobject_cast<QAbstractSlider*>(widget) || qobject_cast<QComboBox*>(widget)))
        return false;
    for (QWidget* parent = widget->parentWidget(); parent; parent = parent->parentWidget()) {
        if (auto* area = qobject_cast<QAbstractScrollArea*>(parent)) {
            QCoreApplication::sendEvent(area->verticalScrollBar(), wheel);
            return true;
        }
    }
    return false;
}

void CPaintManagerUI::SetInstance() { }

QString CPaintManagerUI::GetInstancePath() { return QString::fromStdString(GetProgramFolder()); }

void CPaintManagerUI::SetResourcePath(const QString& folder)
{
    CResourceManager::GetInstance()->SetResourcePath(folder);
}

QString CPaintManagerUI::GetResourcePath()
{
    return CResourceManager::GetInstance()->GetResourcePath();
}

int CPaintManagerUI::MessageLoop() { return QApplication::exec(); }

void CPaintManagerUI::Term() { QApplication::closeAllWindows(); }

} // namespace kestrin
