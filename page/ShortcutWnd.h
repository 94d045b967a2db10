#pragma once

#include "base/HookTable.h"
#include "keys/ShortcutChord.h"
#include "ui/WindowImplBase.h"

#include <array>
#include <cstdint>
#include <memory>

class QObject;

namespace kestrin {

class CCheckBoxUI;
class CEditUI;

// The modal dialog that sets a button's keyboard shortcut: four modifier boxes (Ctrl, Shift, Alt,
// Super) and one key, captured while the key field has the focus; a chord pressed there ticks
// its modifiers' boxes. Capture goes through the hook library; where it cannot listen (a Wayland
// session, where X input sees only X clients, or no library) the field takes the keys from the
// dialog's own key events, so the dialog works alike on every desktop. The caller sets the flags,
// the key and the hook calls, runs it, and reads them back after a result of 1.
class CShortcutWnd final : public WindowImplBase {
public:
    CShortcutWnd();
    ~CShortcutWnd() override;

    std::array<uint8_t, 4> flags{}; // Ctrl, Shift, Alt, Super: 0 or 1
    uint8_t keyCode = 0;            // a key code (HID usage), 0 for none
    HookCalls hooks;

    // Popup child of `parent`, centred, modal: 1 for OK, 0 for cancel.
    int Run(CWindowWnd* parent);

protected:
    QString GetWindowClassName() const override { return QStringLiteral("ShortcutWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("shortcut.xml"); }
    void OnLayoutLoaded() override;
    void Notify(TNotifyUI& msg) override;
    void OnClick(TNotifyUI& msg) override;
    intptr_t HandleCustomMessage(
        uint32_t message, uintptr_t wParam, intptr_t lParam, bool& handled) override;

private:
    void StartCapture();
    void StopCapture();
    void TakeKey(int virtualKey, bool release);

    std::array<CCheckBoxUI*, 4> checks_{};
    CEditUI* keyField_ = nullptr;
    bool hookCapturing_ = false;
    ShortcutChord chord_;
    std::unique_ptr<QObject> ownKeys_; // the fallback: the field's own key presses
};

} // namespace kestrin
