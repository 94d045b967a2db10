#include "ui/NameDialog.h"

#include "base/Messages.h"
#include "ui/Controls.h"
#include "ui/MsgWnd.h"
#include "ui/ResourceManager.h"

namespace kestrin {

int CMS_1_NameDialog::Run(CWindowWnd* parent)
{
    Create(parent, QString(), WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW, 0, 0, 800, 800);
    CenterWindow();
    return ShowModal();
}

void CMS_1_NameDialog::OnLayoutLoaded()
{
    SetWindowText(CResourceManager::GetInstance()->GetText(titleId_));
    if (CControlUI* title = paintManager_.FindControl(QStringLiteral("title_string"))) {
        title->SetResourceText(true);
        title->SetText(titleId_);
    }
    edit_ = dynamic_cast<CEditUI*>(paintManager_.FindControl(QStringLiteral("edit_name")));
    if (edit_) {
        if (limit_ > 0)
            edit_->SetLimitText(limit_);
        edit_->SetText(resultName_);
        edit_->GetWidget()->setFocus();
    }
}

void CMS_1_NameDialog::Notify(TNotifyUI& msg)
{
    if (msg.pSender && msg.sType == DUI_MSGTYPE_CLICK)
        OnClick(msg);
    // Enter in the edit confirms, as the highlighted OK button promises.
    else if (msg.pSender && msg.pSender == edit_ && msg.sType == DUI_MSGTYPE_RETURN)
        Accept();
}

void CMS_1_NameDialog::OnClick(TNotifyUI& msg)
{
    const QString name = msg.pSender->GetName();
    if (name == QLatin1String("btn_cancel") || name == QLatin1String("btn_exit")) {
        Close(0);
        return;
    }
    if (name == QLatin1String("btn_ok"))
        Accept();
}

void CMS_1_NameDialog::Accept()
{
    const QString text = edit_ ? edit_->GetText() : QString();
    if (text.isEmpty()) {
        CMsgWnd::Ask(this, QStringLiteral("warn_name_1_text"));
        return;
    }
    if (exists_ &&
        exists_(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
            static_cast<std::size_t>(text.size())))) {
        CMsgWnd::Ask(this, QStringLiteral("warn_name_2_text"));
        return;
    }
    resultName_ = text;
    Close(1);
}

} // namespace kestrin
