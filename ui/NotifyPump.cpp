#include "ui/NotifyPump.h"

namespace kestrin {

bool CNotifyPump::AddVirtualWnd(const QString& name, CNotifyPump* pump)
{
    if (name.isEmpty() || !pump || virtualWnds_.contains(name))
        return false;
    virtualWnds_.insert(name, pump);
    return true;
}

bool CNotifyPump::RemoveVirtualWnd(const QString& name) { return virtualWnds_.remove(name) > 0; }

bool CNotifyPump::NotifyPump(TNotifyUI& msg)
{
    if (!msg.sVirtualWnd.isEmpty()) {
        if (CNotifyPump* pump = virtualWnds_.value(msg.sVirtualWnd))
            return pump->LoopDispatch(msg);
    }
    return LoopDispatch(msg);
}

bool CNotifyPump::LoopDispatch(TNotifyUI& msg)
{
    for (const NotifyMapEntry& entry : GetNotifyMap()) {
        if (!entry.type)
            break;
        if (*entry.type == msg.sType) {
            (this->*entry.handler)(msg);
            return true;
        }
    }
    return false;
}

} // namespace kestrin
