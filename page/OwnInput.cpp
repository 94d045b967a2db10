#include "page/OwnInput.h"

#include "base/Messages.h"
#include "base/PhysicalKeys.h"
#include "macros/MacroEditor.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

#include <optional>
#include <utility>

namespace kestrin {
namespace {

constexpr unsigned kEvdevOffset = 8; // X keycodes and Qt's native scan codes count from 8

// The hook message of a mouse button going down or up, none for the wheel's and others.
std::optional<std::pair<uint32_t, uint32_t>> MouseMessage(Qt::MouseButton button, bool down)
{
    switch (button) {
    case Qt::LeftButton:
        return std::pair{down ? WM_LBUTTONDOWN : WM_LBUTTONUP, 0u};
    case Qt::RightButton:
        return std::pair{down ? WM_RBUTTONDOWN : WM_RBUTTONUP, 0u};
    case Qt::MiddleButton:
        return std::pair{down ? WM_MBUTTONDOWN : WM_MBUTTONUP, 0u};
    case Qt::XButton1:
        return std::pair{down ? WM_XBUTTONDOWN : WM_XBUTTONUP, 1u};
    case Qt::XButton2:
        return std::pair{down ? WM_XBUTTONDOWN : WM_XBUTTONUP, 2u};
    default:
        return std::nullopt;
    }
}

class OwnInputListener final : public QObject {
public:
    explicit OwnInputListener(OwnInput input) : input_(std::move(input)), window_(input_.window)
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || !window_ || widget->window() != window_->window())
            return false;
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return TakeKey(widget, static_cast<const QKeyEvent&>(*event));
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease: {
            if (!input_.withMouse || widget == input_.spare)
                return false;
            const auto& mouse = static_cast<const QMouseEvent&>(*event);
            // A double click's second press arrives as the double click.
            const auto message =
                MouseMessage(mouse.button(), event->type() != QEvent::MouseButtonRelease);
            if (message && input_.take)
                input_.take(message->first, message->second);
            return true;
        }
        default:
            return false;
        }
    }

private:
    bool TakeKey(QWidget* widget, const QKeyEvent& key)
    {
        const bool press = key.type() == QEvent::KeyPress;
        if (input_.keysOf) {
            if (widget != input_.keysOf || key.key() == Qt::Key_Tab ||
                key.key() == Qt::Key_Backtab || key.key() == Qt::Key_Escape)
                return false;
        }
        // A held key repeats; only its first press counts.
        if (key.isAutoRepeat())
            return true;
        const int virtualKey = VirtualKeyOfKeyEvent(key.key(), key.nativeScanCode());
        if (virtualKey != 0 && input_.take)
            input_.take(uint32_t(virtualKey), press ? 0u : 1u);
        return true;
    }

    OwnInput input_;
    QPointer<QWidget> window_;
};

} // namespace

std::unique_ptr<QObject> MakeOwnInputListener(OwnInput input)
{
    return std::make_unique<OwnInputListener>(std::move(input));
}

int VirtualKeyOfKeyEvent(int qtKey, uint32_t nativeScanCode)
{
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return 0x41 + (qtKey - Qt::Key_A);
    if (nativeScanCode >= kEvdevOffset)
        if (const PhysicalKey* key = PhysicalKeyByEvdevCode(nativeScanCode - kEvdevOffset))
            return key->usVirtualKey;
    return 0;
}

} // namespace kestrin
