#pragma once

#include <QString>

#include <cstdint>

namespace kestrin {

class CControlUI;

// Notification type names, as the windows match them.
inline const QString DUI_MSGTYPE_CLICK = QStringLiteral("click");
inline const QString DUI_MSGTYPE_SELECTCHANGED = QStringLiteral("selectchanged");
inline const QString DUI_MSGTYPE_ITEMSELECT = QStringLiteral("itemselect");
inline const QString DUI_MSGTYPE_CHECKCLICK = QStringLiteral("checkclick");
inline const QString DUI_MSGTYPE_SETFOCUS = QStringLiteral("setfocus");
inline const QString DUI_MSGTYPE_KILLFOCUS = QStringLiteral("killfocus");
inline const QString DUI_MSGTYPE_RETURN = QStringLiteral("return");
inline const QString DUI_MSGTYPE_TEXTCHANGED = QStringLiteral("textchanged");
inline const QString DUI_MSGTYPE_VALUECHANGED = QStringLiteral("valuechanged");
inline const QString DUI_MSGTYPE_COLORCHANGED = QStringLiteral("colorchanged");
inline const QString DUI_MSGTYPE_COLORCHANGEDBUTTONUP = QStringLiteral("colorchangedbuttonup");
inline const QString DUI_MSGTYPE_TIMER = QStringLiteral("timer");
inline const QString DUI_MSGTYPE_MOUSEENTER = QStringLiteral("mouseenter");
inline const QString DUI_MSGTYPE_MOUSELEAVE = QStringLiteral("mouseleave");

// One UI notification: what happened, to which control, and the virtual window (the layout's
// "virtualwnd" property on the control or one of its containers) that should handle it.
struct TNotifyUI {
    QString sType;
    QString sVirtualWnd;
    CControlUI* pSender = nullptr;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

class INotifyUI {
public:
    virtual void Notify(TNotifyUI& msg) = 0;

protected:
    ~INotifyUI() = default;
};

} // namespace kestrin
