#pragma once

#include "ui/WindowImplBase.h"

#include <QPoint>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace kestrin {

class CColorPaletteUI;
class CControlUI;
class CEditUI;

// The small colour picker opened under a colour swatch: 16 presets, a palette and the red,
// green and blue numbers, with a preview. The caller sets the colour (0xAARRGGBB) and the
// screen position of the top-left corner, runs it, and reads the colour after result 1.
class CDpiColorWnd final : public WindowImplBase {
public:
    static constexpr int kPresetCount = 16;
    static constexpr int kWidth = 250;
    static constexpr int kHeight = 200;

    CDpiColorWnd();
    ~CDpiColorWnd() override;

    uint32_t GetColor() const { return color_; }
    void SetColor(uint32_t argb) { color_ = argb; }
    QPoint GetPosition() const { return position_; }
    void SetPosition(QPoint position) { position_ = position; }
    static uint32_t Preset(int n) { return kPresets[static_cast<std::size_t>(n - 1)]; }

    // Popup tool window owned by `parent`, placed at the position (kept on the screen), not
    // centred, modal. 1 when confirmed, 0 when cancelled.
    int Run(CWindowWnd* parent);

    // Test hook: the next Run builds the dialog as usual, then calls `answer` with it instead of
    // waiting for the user and ends with the result `answer` returns.
    static void SetNextAnswerForTesting(std::function<int(CDpiColorWnd&)> answer);

    void Notify(TNotifyUI& msg) override;

protected:
    QString GetWindowClassName() const override { return QStringLiteral("DpiColorWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("DpiColorDialog.xml"); }
    void OnLayoutLoaded() override;
    void OnClick(TNotifyUI& msg) override;

private:
    static constexpr std::array<uint32_t, kPresetCount> kPresets{0xFF00FFFF, 0xFF6CFF00, 0xFF7F00FF,
        0xFF007FFF, 0xFF0000FF, 0xFF7FFF00, 0xFFFF5400, 0xFFFF7F00, 0xFFFFB400, 0xFFFFFF00,
        0xFFFF0000, 0xFFFF00FF, 0xFF1EB40A, 0xFF48B1FF, 0xFFFF48B0, 0xFFFFFFFF};

    void ShowColor();
    void FillFields(uint32_t argb);
    void ChannelEdited(CEditUI& edit, int shift);

    CControlUI* confirm_ = nullptr;
    CControlUI* cancel_ = nullptr;
    CControlUI* preview_ = nullptr;
    std::array<CControlUI*, kPresetCount> swatches_{};
    CColorPaletteUI* palette_ = nullptr;
    CEditUI* red_ = nullptr;
    CEditUI* green_ = nullptr;
    CEditUI* blue_ = nullptr;
    uint32_t color_ = 0xFF000000;
    QPoint position_;
};

// The whole calling pattern of a colour swatch on `mainWindow`: the dialog opens showing `argb`
// just below the swatch, 200 pixels further left. The chosen colour (alpha as chosen) when the
// user confirms, nullopt otherwise.
std::optional<uint32_t> ChooseColorBelow(CWindowWnd& mainWindow, CControlUI& swatch, uint32_t argb);

} // namespace kestrin
