#pragma once

#include "ui/Notify.h"

#include <QHash>
#include <QString>

#include <span>

namespace kestrin {

// Routes notifications by type to member handlers through a static table (the notification
// map), and hands those addressed to a virtual window to the pump registered under that name.
class CNotifyPump {
public:
    CNotifyPump() = default;
    CNotifyPump(const CNotifyPump&) = delete;
    CNotifyPump& operator=(const CNotifyPump&) = delete;
    virtual ~CNotifyPump() = default;

    bool AddVirtualWnd(const QString& name, CNotifyPump* pump);
    bool RemoveVirtualWnd(const QString& name);
    CNotifyPump* FindVirtualWnd(const QString& name) const { return virtualWnds_.value(name); }

    // Dispatches to the virtual window named by the notification, or to this pump's own map.
    // True when a handler ran.
    bool NotifyPump(TNotifyUI& msg);

protected:
    using Handler = void (CNotifyPump::*)(TNotifyUI&);
    struct NotifyMapEntry {
        const QString* type; // null ends the table
        Handler handler;
    };
    // The table, ended by an entry with a null type; none by default.
    virtual std::span<const NotifyMapEntry> GetNotifyMap() const { return {}; }

    // Casts a handler of a derived pump for its table.
    template <class Derived>
    static constexpr Handler MapHandler(void (Derived::*handler)(TNotifyUI&))
    {
        return static_cast<Handler>(handler);
    }

private:
    bool LoopDispatch(TNotifyUI& msg);

    QHash<QString, CNotifyPump*> virtualWnds_;
};

} // namespace kestrin
