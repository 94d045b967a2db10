#include "page/DpiColorWnd.h"

#include "base/Messages.h"
#include "page/ColorChannel.h"
#include "platform/WorkArea.h"
#include "ui/ColorPalette.h"
#include "ui/Controls.h"
#include "ui/ResourceManager.h"

#include <QWidget>

#include <algorithm>
#include <utility>

namespace kestrin {
namespace {

std::function<int(CDpiColorWnd&)>& NextAnswer()
{
    static std::function<int(CDpiColorWnd&)> answer;
    return answer;
}

constexpr uint32_t Opaque(uint32_t argb) { return 0xFF000000u | (argb & 0x00FFFFFFu); }

// A value and the room it needs, kept inside [low, high]; the low edge wins on a tiny screen.
int KeepInside(int value, int size, int low, int high)
{
    return std::max(low, std::min(value, high - size + 1));
}

} // namespace

CDpiColorWnd::CDpiColorWnd() = default;
CDpiColorWnd::~CDpiColorWnd() = default;

void CDpiColorWnd::SetNextAnswerForTesting(std::function<int(CDpiColorWnd&)> answer)
{
    NextAnswer() = std::move(answer);
}

int CDpiColorWnd::Run(CWindowWnd* parent)
{
    Create(parent, QString(), WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW, 0, 0, 800, 800);
    if (auto answer = std::exchange(NextAnswer(), nullptr)) {
        const int result = answer(*this);
        DestroyWindow();
        return result;
    }
    return ShowModal();
}

void CDpiColorWnd::OnLayoutLoaded()
{
    // The swatches can sit near a screen edge: the dialog moves in rather than run off it.
    const QRect area = GetWorkAreaAt(position_);
    MoveWindow(KeepInside(position_.x(), kWidth, area.left(), area.right()),
        KeepInside(position_.y(), kHeight, area.top(), area.bottom()), kWidth, kHeight);

    SetWindowText(
        CResourceManager::GetInstance()->GetText(QStringLiteral("color_dialog_title_text")));
    confirm_ = paintManager_.FindControl(QStringLiteral("confirm_btn"));
    cancel_ = paintManager_.FindControl(QStringLiteral("cancel_btn"));
    preview_ = paintManager_.FindControl(QStringLiteral("color_show_control"));
    palette_ = paintManager_.FindControl<CColorPaletteUI>(QStringLiteral("ColorPallet"));
    red_ = paintManager_.FindControl<CEditUI>(QStringLiteral("r_edit"));
    green_ = paintManager_.FindControl<CEditUI>(QStringLiteral("g_edit"));
    blue_ = paintManager_.FindControl<CEditUI>(QStringLiteral("b_edit"));
    for (int n = 1; n <= kPresetCount; ++n) {
        const QString name = QStringLiteral("mouse_dpi_color_%1").arg(n);
        CControlUI* swatch = paintManager_.FindControl(name);
        swatches_[static_cast<std::size_t>(n - 1)] = swatch;
        if (swatch)
            swatch->SetBkColor(Preset(n));
    }
    // Room for a sign and three digits; anything longer would be clamped anyway.
    for (CEditUI* edit : {red_, green_, blue_})
        if (edit)
            edit->SetLimitText(4);

    ShowColor();
    if (red_) {
        red_->GetWidget()->setFocus();
        red_->SetSel(0, -1);
    }
}

void CDpiColorWnd::ShowColor()
{
    if (palette_)
        palette_->SetSelectColor(color_);
    if (preview_)
        preview_->SetBkColor(color_);
    FillFields(color_);
}

void CDpiColorWnd::FillFields(uint32_t argb)
{
    const std::pair<CEditUI*, int> fields[] = {{red_, 16}, {green_, 8}, {blue_, 0}};
    for (const auto& [edit, shift] : fields)
        if (edit)
            edit->SetText(QString::number((argb >> shift) & 0xFF));
    if (preview_)
        preview_->SetBkColor(Opaque(argb));
}

void CDpiColorWnd::Notify(TNotifyUI& msg)
{
    if (!msg.pSender)
        return;
    if (msg.sType == DUI_MSGTYPE_CLICK) {
        OnClick(msg);
    } else if (msg.pSender == palette_ &&
        (msg.sType == DUI_MSGTYPE_COLORCHANGED || msg.sType == DUI_MSGTYPE_COLORCHANGEDBUTTONUP)) {
        color_ = palette_->GetSelectColor();
        if (preview_)
            preview_->SetBkColor(color_);
        FillFields(color_);
    } else if (msg.sType == DUI_MSGTYPE_TEXTCHANGED) {
        if (msg.pSender == red_)
            ChannelEdited(*red_, 16);
        else if (msg.pSender == green_)
            ChannelEdited(*green_, 8);
        else if (msg.pSender == blue_)
            ChannelEdited(*blue_, 0);
    }
    // Enter in a number field only takes its number (each keystroke has already): a dialog
    // that closed on it would confirm a colour whose other fields were still to be typed.
}

void CDpiColorWnd::ChannelEdited(CEditUI& edit, int shift)
{
    const QString text = edit.GetText();
    const ChannelEntry entry = ReadChannelText(std::u16string_view(
        reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
    if (entry.clamped)
        edit.SetText(QString::number(entry.value));
    color_ = WithChannel(color_, shift, entry.value);
    if (palette_)
        palette_->SetSelectColor(color_);
    if (preview_)
        preview_->SetBkColor(color_);
}

void CDpiColorWnd::OnClick(TNotifyUI& msg)
{
    if (msg.pSender == confirm_) {
        Close(1);
        return;
    }
    if (msg.pSender == cancel_) {
        Close(0);
        return;
    }
    const auto swatch = std::find(swatches_.begin(), swatches_.end(), msg.pSender);
    if (swatch == swatches_.end())
        return;
    color_ = kPresets[static_cast<std::size_t>(swatch - swatches_.begin())];
    ShowColor();
}

std::optional<uint32_t> ChooseColorBelow(CWindowWnd& mainWindow, CControlUI& swatch, uint32_t argb)
{
    const QWidget* window = mainWindow.GetWidget();
    const QWidget* control = swatch.GetWidget();
    if (!window || !control)
        return std::nullopt;
    const QRect windowRect = window->geometry();
    const QPoint swatchTopLeft = control->mapTo(window, QPoint(0, 0));
    CDpiColorWnd dialog;
    dialog.SetColor(argb);
    dialog.SetPosition({windowRect.left() - 200 + swatchTopLeft.x(),
        windowRect.top() + swatchTopLeft.y() + control->height()});
    if (dialog.Run(&mainWindow) != 1)
        return std::nullopt;
    return dialog.GetColor();
}

} // namespace kestrin
