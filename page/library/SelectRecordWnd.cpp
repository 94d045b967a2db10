#include "page/library/SelectRecordWnd.h"

#include "base/Messages.h"
#include "page/DigitFilters.h"
#include "ui/Controls.h"
#include "ui/ListUI.h"

#include <algorithm>

namespace kestrin {
namespace {

constexpr int kPlayModes = 3;
constexpr int32_t kMaxLoops = 255;
constexpr int kRowHeight = 22;

QString OptionName(int mode) { return QStringLiteral("repeat_%1").arg(mode + 1); }

} // namespace

int CMS_1_SelectRecord::Run(CWindowWnd* parent)
{
    Create(parent, GetWindowClassName(), WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW, 0, 0, 800, 800);
    CenterWindow();
    return ShowModal();
}

void CMS_1_SelectRecord::OnLayoutLoaded()
{
    list_ = dynamic_cast<CListUI*>(paintManager_.FindControl(QStringLiteral("list_macro")));
    loopEdit_ = dynamic_cast<CEditUI*>(paintManager_.FindControl(QStringLiteral("edit_loop_time")));
    if (list_) {
        for (const std::u16string& name : names) {
            const int row = list_->AddLabelElement(QString::fromStdU16String(name));
            list_->SetItemHeight(row, kRowHeight);
        }
        if (selectedIndex >= 0 && selectedIndex < list_->GetCount())
            list_->SelectItem(selectedIndex, false);
    }
    // With notification, so that the loop count shows or hides with the mode.
    CControlUI* option = ChoosesPlayMode()
        ? paintManager_.FindControl(OptionName(std::clamp(playMode, 0, kPlayModes - 1)))
        : nullptr;
    if (auto* mode = dynamic_cast<COptionUI*>(option))
        mode->Selected(true);
    // An empty library says where records come from instead of showing a blank list.
    if (CControlUI* hint = paintManager_.FindControl(QStringLiteral("select_empty_hint")))
        hint->SetVisible(names.empty());
    loopCount = std::clamp(loopCount, 1, kMaxLoops);
    if (loopEdit_)
        loopEdit_->SetText(QString::number(loopCount));
    ShowLoopCount();
    if (list_ && list_->GetWidget())
        list_->GetWidget()->setFocus();
}

void CMS_1_SelectRecord::ShowLoopCount() const
{
    if (CControlUI* row = const_cast<CPaintManagerUI&>(paintManager_)
                              .FindControl(QStringLiteral("hor_loop_time")))
        row->SetVisible(!ChoosesPlayMode() || playMode == 0);
}

void CMS_1_SelectRecord::TakeLoopCount()
{
    if (!loopEdit_)
        return;
    bool number = false;
    const qlonglong typed = loopEdit_->GetText().toLongLong(&number);
    // No number counts as 0, and 0 or less plays once.
    const int32_t held = int32_t(std::clamp<qlonglong>(number ? typed : 0, 1, kMaxLoops));
    loopCount = held;
    if (!number || typed != held)
        loopEdit_->SetText(QString::number(held));
}

void CMS_1_SelectRecord::Notify(TNotifyUI& msg)
{
    if (!msg.pSender)
        return;
    if (msg.sType == DUI_MSGTYPE_CLICK) {
        OnClick(msg);
    } else if (msg.sType == DUI_MSGTYPE_ITEMSELECT && msg.pSender == list_) {
        selectedIndex = list_->GetCurSel();
    } else if (msg.sType == DUI_MSGTYPE_SELECTCHANGED && ChoosesPlayMode()) {
        for (int mode = 0; mode < kPlayModes; ++mode)
            if (msg.pSender->GetName() == OptionName(mode))
                playMode = mode;
        ShowLoopCount();
    } else if (msg.pSender == loopEdit_ && msg.sType == DUI_MSGTYPE_KILLFOCUS) {
        TakeLoopCount();
    } else if (msg.pSender == loopEdit_ && msg.sType == DUI_MSGTYPE_TEXTCHANGED) {
        FilterDigits(*loopEdit_);
    }
}

void CMS_1_SelectRecord::OnClick(TNotifyUI& msg)
{
    const QString name = msg.pSender->GetName();
    if (name == QLatin1String("btn_ok")) {
        // A count typed and confirmed at once is taken as leaving the edit would take it.
        TakeLoopCount();
        Close(1);
    } else if (name == QLatin1String("btn_cancel") || name == QLatin1String("btn_exit")) {
        Close(0);
    }
}

} // namespace kestrin
