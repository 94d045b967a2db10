#include "ui/MsgWnd.h"

#include "base/Messages.h"
#include "ui/ResourceManager.h"

#include <QPushButton>

namespace kestrin {
namespace {

std::optional<int>& NextAnswer()
{
    static std::optional<int> answer;
    return answer;
}

} // namespace

void CMsgWnd::SetNextAnswerForTesting(std::optional<int> answer) { NextAnswer() = answer; }

int CMsgWnd::Ask(CWindowWnd* parent, const QString& messageId, Kind kind, QStringList args)
{
    if (auto answer = std::exchange(NextAnswer(), std::nullopt))
        return *answer;
    CMsgWnd box;
    box.SetTitleId(QStringLiteral("warning_title_text"));
    box.SetMessageId(messageId);
    box.SetKind(kind);
    box.SetMessageArgs(std::move(args));
    box.Create(parent, QString(), WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW, 0, 0, 800, 800);
    box.CenterWindow();
    return box.ShowModal();
}

void CMsgWnd::OnLayoutLoaded()
{
    // The window's own title lets the desktop (and a screen reader) name the box.
    SetWindowText(CResourceManager::GetInstance()->GetText(titleId_));
    for (const auto& [name, id] : {std::pair{QStringLiteral("warning_title"), titleId_},
             std::pair{QStringLiteral("warning"), messageId_}}) {
        if (CControlUI* label = paintManager_.FindControl(name)) {
            label->SetResourceText(true);
            label->SetText(id);
        }
    }
    if (CControlUI* message = paintManager_.FindControl(QStringLiteral("warning"));
        message && !messageArgs_.isEmpty()) {
        QString text = CResourceManager::GetInstance()->GetText(messageId_);
        for (const QString& arg : messageArgs_)
            text = text.arg(arg);
        message->SetResourceText(false);
        message->SetText(text);
    }
    // Enter and Space press the button that has the keyboard.
    const QString answer =
        kind_ == Kind::Destructive ? QStringLiteral("btn_cancel") : QStringLiteral("btn_ok");
    for (const QString& name : {QStringLiteral("btn_ok"), QStringLiteral("btn_cancel")}) {
        CControlUI* control = paintManager_.FindControl(name);
        auto* button = control ? qobject_cast<QPushButton*>(control->GetWidget()) : nullptr;
        if (!button)
            continue;
        button->setAutoDefault(true);
        if (name == answer)
            button->setFocus();
    }
}

void CMsgWnd::Notify(TNotifyUI& msg)
{
    if (msg.sType != DUI_MSGTYPE_CLICK || !msg.pSender)
        return;
    const QString name = msg.pSender->GetName();
    if (name == QLatin1String("btn_ok"))
        Close(1);
    else if (name == QLatin1String("btn_cancel"))
        Close(0);
}

} // namespace kestrin
