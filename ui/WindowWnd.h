#pragma once

#include "base/MessagePost.h"

#include <QHash>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>

class QEventLoop;
class QTimer;
class QWidget;

namespace kestrin {

class WindowHost;

// A top-level window with a handle, window messages and timers. Messages reach HandleMessage
// on the UI thread: posted ones through the event loop, sent ones at once.
class CWindowWnd {
public:
    CWindowWnd();
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;
    virtual ~CWindowWnd();

    // Creates the window (a parent makes it an owned window, kept above the parent). Styles are
    // the WS_* values of app/platform/Messages.h. Returns the handle, 0 on failure.
    KestrinWindow Create(CWindowWnd* parent, const QString& windowName, uint32_t style,
        uint32_t exStyle, int x, int y, int cx, int cy);
    KestrinWindow GetHWND() const { return hwnd_; }
    QWidget* GetWidget() const;
    bool IsWindow() const { return hwnd_ != 0; }
    static CWindowWnd* FromHandle(KestrinWindow window);

    void ShowWindow(bool show = true, bool takeFocus = true);
    bool IsVisible() const;
    bool IsMinimized() const;
    // Runs a nested event loop until the window is gone; returns the value given to Close, or 0
    // at once while modal loops are refused (platform/ModalLoops.h).
    int ShowModal();
    // Ends the window (after the current message) with `result` for ShowModal.
    void Close(int result = 1);
    // A window kept between openings is only hidden by Close, ready for its next ShowModal.
    void SetKeptWhenClosed(bool kept) { keptWhenClosed_ = kept; }
    // Ends the window now: WM_DESTROY, then the final message.
    void DestroyWindow();
    // Centres on the owner, or on the work area when there is none.
    void CenterWindow();
    void SetWindowText(const QString& text);
    void SetIcon(const QIcon& icon);
    void MoveWindow(int x, int y, int cx, int cy);
    void SetForegroundWindow();

    intptr_t SendMessage(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);
    bool PostMessage(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);

    // A window timer sends WM_TIMER with `id` in wParam every `milliseconds` until killed;
    // setting a running timer again restarts it.
    void SetTimer(uintptr_t id, int milliseconds);
    void KillTimer(uintptr_t id);
    bool IsTimerActive(uintptr_t id) const;

    // Test hook: runs once a modal window is up, inside ShowModal, so a test can look at it and
    // answer it without racing a timer.
    using ModalHook = std::function<void(CWindowWnd&)>;
    static void SetModalHookForTesting(ModalHook hook);

protected:
    virtual QString GetWindowClassName() const = 0;
    // Builds the window's content; runs inside Create.
    virtual void OnCreate() { }
    virtual intptr_t HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
    // Runs after the window is gone; the object may delete itself here.
    virtual void OnFinalMessage() { }
    // False for windows that must never take the keyboard focus.
    virtual bool TakesFocus() const { return true; }

private:
    friend class WindowHost;
    void HostGone();
    void Teardown(bool deleteHost);

    KestrinWindow hwnd_ = 0;
    QPointer<WindowHost> host_;
    CWindowWnd* parent_ = nullptr;
    QHash<uintptr_t, QTimer*> timers_;
    QEventLoop* modalLoop_ = nullptr;
    int modalResult_ = 0;
    bool modalEnded_ = false;
    bool keptWhenClosed_ = false;
    bool destroying_ = false;
    bool showPending_ = false; // created WS_VISIBLE, shown once the event loop turns
};

} // namespace kestrin
