#pragma once

#include "base/MessagePost.h"
#include "ui/Control.h"
#include "ui/Notify.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QButtonGroup;
class QTimer;

namespace kestrin {

// The controls of one window's layout: finds them by name, turns their Qt signals into
// notifications for the window, runs control timers. Also the program-wide skin settings.
class CPaintManagerUI final : public QObject {
public:
    CPaintManagerUI();
    ~CPaintManagerUI() override;

    // Takes the window's built layout and gives every named widget in it its control.
    void AttachLayout(QWidget* root);
    QWidget* GetRoot() const { return root_; }
    // The window whose layout this is.
    void SetWindow(KestrinWindow window) { window_ = window; }
    KestrinWindow GetWindow() const { return window_; }
    // Gives the named widgets of a subtree added later (a row template) their controls.
    CControlUI* AdoptSubtree(QWidget* subtree);

    // The first control of that name in the layout; null when there is none. A control of a
    // part built later (see CDialogBuilder::BuildWidget) is built with its part when asked for.
    CControlUI* FindControl(const QString& name) const;
    // As FindControl, but null for a control whose part is not built yet.
    CControlUI* FindBuiltControl(const QString& name) const;
    template <class T> T* FindControl(const QString& name) const
    {
        return dynamic_cast<T*>(FindControl(name));
    }
    CControlUI* ControlFor(QWidget* widget) const;

    // Builds `widget`'s deferred content, if any, gives it controls and tells the listener. A
    // part also builds itself as it comes into view (shown, scrolled or resized into sight) or
    // as Tab brings the focus to it.
    void BuildPart(QWidget* widget);
    // Whether `widget` is a part still waiting that holds its place at a height the layout fixes:
    // showing it builds nothing, its coming into view does.
    bool KeepsPlaceUntilSeen(const QWidget* widget) const;
    // Whether the widget named so stands built with its content (false when there is none).
    bool IsBuilt(const QString& name) const;
    // Told of each part built after the layout, with the part's own widget.
    void SetPartBuiltListener(std::function<void(QWidget*)> listener)
    {
        partBuilt_ = std::move(listener);
    }

    void AddNotifier(INotifyUI* notifier);
    void RemoveNotifier(INotifyUI* notifier);
    void SendNotify(
        CControlUI* control, const QString& type, uintptr_t wParam = 0, intptr_t lParam = 0);

    // A control's timer raises "timer" with the id in wParam until killed.
    void SetTimer(CControlUI* control, int id, int milliseconds);
    void KillTimer(CControlUI* control, int id);

    // Program-wide: the program folder, the skin folder, the message loop.
    static void SetInstance();
    static QString GetInstancePath();
    static void SetResourcePath(const QString& folder);
    static QString GetResourcePath();
    static int MessageLoop();
    static void Term();
    template <class T> static void DeletePtr(T* pointer) { delete pointer; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool ScrollPastValueControl(QWidget* widget, QEvent* wheel);

private:
    void Wrap(QWidget* widget);
    std::unique_ptr<CControlUI> MakeControl(QWidget* widget);
    QString VirtualWindowOf(const QWidget* widget) const;
    void WatchPart(QWidget* part);
    void BuildPartsInView();
    void TakeFocusInto(QWidget* part, Qt::FocusReason reason);

    QWidget* root_ = nullptr;
    KestrinWindow window_ = 0;
    QHash<QWidget*, CControlUI*> controls_;
    std::vector<std::unique_ptr<CControlUI>> owned_;
    QHash<QString, QButtonGroup*> groups_;
    std::vector<INotifyUI*> notifiers_;
    QHash<QPair<CControlUI*, int>, QTimer*> timers_;
    std::function<void(QWidget*)> partBuilt_;
    // The parts still to build, and the widgets whose moves can bring one into view.
    std::vector<QPointer<QWidget>> waiting_;
    QSet<QObject*> viewWatched_;
    bool checkingView_ = false;
};

} // namespace kestrin
