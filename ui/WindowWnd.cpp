#include "ui/WindowWnd.h"

#include "base/Messages.h"
#include "base/Trace.h"
#include "platform/ModalLoops.h"
#include "platform/WindowRegistry.h"
#include "platform/WorkArea.h"

#include <QApplication>
#include <QEventLoop>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace kestrin {

// The Qt side of a window: turns Qt's events into the window's messages.
class WindowHost final : public QWidget {
    int depth_ = 0;
    bool retired_ = false;
    bool watching_ = false;
    bool awaitingExpose_ = false;
    bool activateWhenExposed_ = false;
    bool followsEdges_ = false;
    bool edgeCursor_ = false;
    bool seen_ = false;

public:
    WindowHost(CWindowWnd* owner, QWidget* parent, Qt::WindowFlags flags)
        : QWidget(parent, flags), owner_(owner)
    {
    }
    ~WindowHost() override
    {
        if (owner_)
            owner_->HostGone();
    }

    // Deletes the host once no event of it is being handled: a window may be destroyed from
    // its own message handler, or from a nested loop (a modal box) that one of them started.
    void Retire(bool now)
    {
        owner_ = nullptr;
        hide();
        if (depth_ != 0)
            retired_ = true;
        else if (now)
            delete this;
        else
            deleteLater();
    }

    CWindowWnd* owner_;

    // Called after each show. Watches the window until the desktop has put it on screen: then
    // the trace says so (a window shown but never mapped looks like a frozen program), and a
    // window that wants the keyboard asks once more, since some window managers ignore a
    // request for a window they have not mapped yet. A layout that says "resizable" gets its
    // edges back: the window has no frame of the desktop's, so a press within a few pixels of
    // an edge starts the desktop's own resize.
    void WatchShownWindow(bool wantsKeyboard)
    {
        QWindow* window = windowHandle();
        if (!window)
            return;
        awaitingExpose_ = true;
        activateWhenExposed_ = wantsKeyboard;
        followsEdges_ = property("resizable").toBool();
        if (!watching_)
            window->installEventFilter(this);
        watching_ = true;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != windowHandle())
            return false;
        if (awaitingExpose_ && event->type() == QEvent::Expose && windowHandle()->isExposed()) {
            awaitingExpose_ = false;
            Trace("window \"%s\" (%s) is on screen\n", qPrintable(windowTitle()),
                qPrintable(objectName()));
            if (std::exchange(activateWhenExposed_, false) && !isActiveWindow())
                activateWindow();
        }
        if (followsEdges_ && !isMaximized())
            return OnEdgeMouse(event);
        return false;
    }

    // Tells the owner when the window comes into sight or leaves it, so that it wakes for
    // nothing nobody sees.
    void FollowSight()
    {
        const bool seen = isVisible() && !isMinimized();
        if (seen == seen_ || !owner_)
            return;
        seen_ = seen;
        owner_->HandleMessage(WM_SHOWWINDOW, seen ? 1 : 0, 0);
    }

    bool OnEdgeMouse(QEvent* event)
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress)
            return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->buttons() & ~Qt::LeftButton)
            return false;
        const Qt::Edges edges = EdgesAt(mouse->position().toPoint());
        if (type == QEvent::MouseMove && mouse->buttons() == Qt::NoButton) {
            // Only the band's cursor is ours; elsewhere the controls keep theirs. Set on the
            // host, the control under the pointer inherits it as Qt enters it.
            if (edges) {
                setCursor(CursorFor(edges));
                edgeCursor_ = true;
            } else if (std::exchange(edgeCursor_, false)) {
                unsetCursor();
            }
            return false;
        }
        if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton && edges)
            return windowHandle()->startSystemResize(edges);
        return false;
    }

    Qt::Edges EdgesAt(QPoint point) const
    {
        constexpr int kBand = 3; // narrow: the settings scroll bar runs along the right edge
        Qt::Edges edges;
        if (point.x() < kBand)
            edges |= Qt::LeftEdge;
        if (point.x() >= width() - kBand)
            edges |= Qt::RightEdge;
        if (point.y() < kBand)
            edges |= Qt::TopEdge;
        if (point.y() >= height() - kBand)
            edges |= Qt::BottomEdge;
        return edges;
    }

    static Qt::CursorShape CursorFor(Qt::Edges edges)
    {
        const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
        const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
        if (horizontal && vertical) {
            const bool falling =
                edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge);
            return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
        }
        return horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor;
    }

    bool event(QEvent* event) override
    {
        // Deletes this host: nothing of it may be touched afterwards.
        if (event->type() == QEvent::DeferredDelete)
            return QWidget::event(event);
        ++depth_;
        bool result = true;
        if (event->type() == WindowMessageEvent::EventType()) {
            const auto* message = static_cast<WindowMessageEvent*>(event);
            if (owner_)
                owner_->HandleMessage(message->message, message->wParam, message->lParam);
        } else {
            result = QWidget::event(event);
            const QEvent::Type type = event->type();
            if (type == QEvent::Show || type == QEvent::Hide || type == QEvent::WindowStateChange)
                FollowSight();
        }
        if (--depth_ == 0 && retired_) {
            retired_ = false;
            deleteLater();
        }
        return result;
    }

    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        if (owner_)
            owner_->HandleMessage(WM_CLOSE, 0, 0);
    }

    // Escape answers a modal window as closing it from the desktop does.
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Escape && isModal() && owner_) {
            owner_->HandleMessage(WM_CLOSE, 0, 0);
            return;
        }
        QWidget::keyPressEvent(event);
    }

    // The skin draws its own caption: a press on the layout's caption band moves the window,
    // and a double click there maximises a resizable one, or restores it.
    void mousePressEvent(QMouseEvent* event) override
    {
        const int caption = property("caption").toInt();
        if (event->button() == Qt::LeftButton && event->position().y() < caption && windowHandle())
            windowHandle()->startSystemMove();
        QWidget::mousePressEvent(event);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        const int caption = property("caption").toInt();
        if (event->button() == Qt::LeftButton && event->position().y() < caption &&
            property("resizable").toBool()) {
            if (isMaximized())
                showNormal();
            else
                showMaximized();
            return;
        }
        QWidget::mouseDoubleClickEvent(event);
    }
};

namespace {

CWindowWnd::ModalHook& TheModalHook()
{
    static CWindowWnd::ModalHook hook;
    return hook;
}

QHash<KestrinWindow, CWindowWnd*>& Windows()
{
    static QHash<KestrinWindow, CWindowWnd*> windows;
    return windows;
}

Qt::WindowFlags FlagsFor(uint32_t exStyle, bool takesFocus)
{
    // Every window is skinned: the layout draws the frame and the caption.
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
    if (exStyle & WS_EX_TOOLWINDOW)
        flags = Qt::Tool | Qt::FramelessWindowHint;
    if (exStyle & WS_EX_TOPMOST)
        flags |= Qt::WindowStaysOnTopHint;
    if (!takesFocus || (exStyle & WS_EX_NOACTIVATE))
        flags |= Qt::WindowDoesNotAcceptFocus;
    // A topmost tool window that never takes the keyboard is an on-screen display: on X11 the
    // window manager leaves it alone (no taskbar entry, placed where it asks). Wayland
    // ignores the hint; its compositor places every window.
    if ((exStyle & WS_EX_TOOLWINDOW) && (exStyle & WS_EX_TOPMOST) &&
        (flags & Qt::WindowDoesNotAcceptFocus))
        flags |= Qt::BypassWindowManagerHint;
    return flags;
}

} // namespace

CWindowWnd::CWindowWnd() = default;

CWindowWnd::~CWindowWnd()
{
    if (host_) {
        host_->owner_ = nullptr;
        Windows().remove(hwnd_);
        UnregisterWindow(hwnd_);
        host_->Retire(true); // and the timers, its children
    }
}

KestrinWindow CWindowWnd::Create(CWindowWnd* parent, const QString& windowName, uint32_t style,
    uint32_t exStyle, int x, int y, int cx, int cy)
{
    if (host_)
        return hwnd_;
    parent_ = parent;
    const bool focus = TakesFocus() && !(exStyle & WS_EX_NOACTIVATE);
    host_ = new WindowHost(this, parent ? parent->GetWidget() : nullptr, FlagsFor(exStyle, focus));
    host_->setObjectName(GetWindowClassName());
    host_->setWindowTitle(windowName);
    if (!focus)
        host_->setAttribute(Qt::WA_ShowWithoutActivating);
    host_->setGeometry(x, y, cx, cy);
    hwnd_ = RegisterWindow(host_);
    Windows().insert(hwnd_, this);
    OnCreate();
    if (host_ && (style & WS_VISIBLE)) {
        // Shown when the caller is done with it: a modal window is then shown modal from the
        // start. Shown, hidden and shown again to change its modality, it is left unmapped
        // by some window managers, and the program looks frozen.
        showPending_ = true;
        QPointer<WindowHost> host = host_;
        QMetaObject::invokeMethod(
            host_,
            [this, host, focus] {
                if (host && host->owner_ == this && std::exchange(showPending_, false))
                    ShowWindow(true, focus);
            },
            Qt::QueuedConnection);
    }
    return hwnd_;
}

CWindowWnd* CWindowWnd::FromHandle(KestrinWindow window) { return Windows().value(window); }

QWidget* CWindowWnd::GetWidget() const { return host_; }

void CWindowWnd::ShowWindow(bool show, bool takeFocus)
{
    if (!host_)
        return;
    showPending_ = false;
    if (!show) {
        host_->hide();
        return;
    }
    host_->show();
    const bool wantsKeyboard = takeFocus && TakesFocus();
    if (wantsKeyboard) {
        host_->raise();
        host_->activateWindow();
    }
    host_->WatchShownWindow(wantsKeyboard);
}

bool CWindowWnd::IsVisible() const { return host_ && host_->isVisible(); }

bool CWindowWnd::IsMinimized() const { return host_ && host_->isMinimized(); }

void CWindowWnd::SetModalHookForTesting(ModalHook hook) { TheModalHook() = std::move(hook); }

int CWindowWnd::ShowModal()
{
    if (!host_)
        return -1;
    if (ModalLoopsRefused()) {
        DestroyWindow();
        return 0;
    }
    modalResult_ = 0;
    modalEnded_ = false;
    // Only a window already shown needs hiding for its modality to take.
    if (host_->isVisible())
        host_->hide();
    host_->setWindowModality(parent_ ? Qt::WindowModal : Qt::ApplicationModal);
    ShowWindow(true, true);
    QEventLoop loop;
    modalLoop_ = &loop;
    {
        const ModalLoopScope scope([this] { Close(0); });
        if (auto hook = TheModalHook())
            hook(*this);
        if (host_ && !modalEnded_)
            loop.exec();
    }
    modalLoop_ = nullptr;
    return modalResult_;
}

void CWindowWnd::Close(int result)
{
    if (!host_)
        return;
    modalResult_ = result;
    if (keptWhenClosed_) {
        host_->hide();
        modalEnded_ = true;
        if (modalLoop_)
            modalLoop_->quit();
        return;
    }
    QPointer<WindowHost> host = host_;
    QMetaObject::invokeMethod(
        host_,
        [this, host] {
            if (host && host->owner_ == this)
                DestroyWindow();
        },
        Qt::QueuedConnection);
}

void CWindowWnd::DestroyWindow() { Teardown(true); }

void CWindowWnd::HostGone() { Teardown(false); }

void CWindowWnd::Teardown(bool deleteHost)
{
    if (!host_ || destroying_)
        return;
    destroying_ = true;
    HandleMessage(WM_DESTROY, 0, 0);
    Windows().remove(hwnd_);
    UnregisterWindow(hwnd_);
    hwnd_ = 0;
    for (QTimer* timer : std::as_const(timers_))
        timer->stop();
    timers_.clear();
    WindowHost* host = host_;
    host_ = nullptr;
    if (deleteHost)
        host->Retire(false);
    else
        host->owner_ = nullptr;
    if (modalLoop_)
        modalLoop_->quit();
    destroying_ = false;
    OnFinalMessage();
}

void CWindowWnd::CenterWindow()
{
    if (!host_)
        return;
    const QRect area = GetWorkArea();
    QRect around = area;
    if (parent_ && parent_->GetWidget() && parent_->GetWidget()->isVisible())
        around = parent_->GetWidget()->frameGeometry();
    QRect frame(QPoint(0, 0), host_->size());
    frame.moveCenter(around.center());
    // Keep it on the work area.
    frame.moveLeft(std::clamp(
        frame.left(), area.left(), std::max(area.left(), area.right() - frame.width() + 1)));
    frame.moveTop(std::clamp(
        frame.top(), area.top(), std::max(area.top(), area.bottom() - frame.height() + 1)));
    host_->move(frame.topLeft());
}

void CWindowWnd::SetWindowText(const QString& text)
{
    if (host_)
        host_->setWindowTitle(text);
}

void CWindowWnd::SetIcon(const QIcon& icon)
{
    if (host_)
        host_->setWindowIcon(icon);
}

void CWindowWnd::MoveWindow(int x, int y, int cx, int cy)
{
    if (host_)
        host_->setGeometry(x, y, cx, cy);
}

void CWindowWnd::SetForegroundWindow()
{
    if (!host_)
        return;
    host_->raise();
    host_->activateWindow();
}

intptr_t CWindowWnd::SendMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return host_ ? HandleMessage(message, wParam, lParam) : 0;
}

bool CWindowWnd::PostMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return PostWindowMessage(hwnd_, message, wParam, lParam);
}

void CWindowWnd::SetTimer(uintptr_t id, int milliseconds)
{
    if (!host_)
        return;
    QTimer*& timer = timers_[id];
    if (!timer) {
        timer = new QTimer(host_);
        // A coarse timer may fire up to 5 % early; a debounce must never end before its time.
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, host_, [this, id] {
            if (host_)
                HandleMessage(WM_TIMER, id, 0);
        });
    }
    timer->start(std::max(0, milliseconds));
}

void CWindowWnd::KillTimer(uintptr_t id)
{
    // A timer may be killed from its own expiry.
    if (QTimer* timer = timers_.take(id)) {
        timer->stop();
        timer->deleteLater();
    }
}

bool CWindowWnd::IsTimerActive(uintptr_t id) const
{
    const QTimer* timer = timers_.value(id);
    return timer && timer->isActive();
}

intptr_t CWindowWnd::HandleMessage(uint32_t message, uintptr_t wParam, intptr_t)
{
    switch (message) {
    case WM_CLOSE:
        Close(0);
        return 0;
    case WM_SYSCOMMAND:
        if (!host_)
            return 0;
        if (wParam == SC_MINIMIZE)
            host_->showMinimized();
        else if (wParam == SC_RESTORE)
            host_->showNormal();
        return 0;
    default:
        return 0;
    }
}

} // namespace kestrin
