#include "platform/WindowRegistry.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>

#include <mutex>
#include <unordered_map>

namespace kestrin {
namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<KestrinWindow, QObject*> windows;
    KestrinWindow next = 0x100;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

} // namespace

WindowMessageEvent::WindowMessageEvent(uint32_t message_, uintptr_t wParam_, intptr_t lParam_)
    : QEvent(EventType()), message(message_), wParam(wParam_), lParam(lParam_)
{
}

QEvent::Type WindowMessageEvent::EventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

KestrinWindow RegisterWindow(QObject* receiver)
{
    auto& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    const KestrinWindow handle = registry.next;
    registry.next += 4;
    registry.windows.emplace(handle, receiver);
    return handle;
}

void UnregisterWindow(KestrinWindow window)
{
    auto& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.windows.erase(window);
}

bool IsLiveWindow(KestrinWindow window)
{
    auto& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    return registry.windows.count(window) != 0;
}

bool PostWindowMessage(KestrinWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    auto& registry = TheRegistry();
    // Posting under the lock: a window unregisters before its object goes, and Qt drops the
    // events still queued for an object when it is deleted.
    std::lock_guard lock(registry.mutex);
    const auto found = registry.windows.find(window);
    if (found == registry.windows.end())
        return false;
    QCoreApplication::postEvent(found->second, new WindowMessageEvent(message, wParam, lParam));
    return true;
}

void PostQuitMessage(int exitCode)
{
    if (auto* app = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(
            app, [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
    }
}

} // namespace kestrin

extern "C" int KestrinPostMessage(
    KestrinWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return kestrin::PostWindowMessage(window, message, wParam, lParam) ? 1 : 0;
}
