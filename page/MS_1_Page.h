#pragma once

#include "app/platform/MessagePost.h"
#include "app/ui/NotifyPump.h"

#include <QString>

#include <cstdint>

namespace kestrin {

class CPaintManagerUI;
struct HookTable;

// The device page, registered with the main window as the virtual window "MS_1_Page": it owns
// the link state, the worker, the profiles and the settings controls, each concern in its own
// section file. This file is the page's frame: what the main window calls and the page's
// notification map.
class CMS_1_Page final : public CNotifyPump {
public:
    CMS_1_Page();
    ~CMS_1_Page() override;

    // Given by the main window before Init.
    void SetMainWindow(KestrinWindow window, CPaintManagerUI* paintManager, HookTable* hooks);
    // Binds the page's controls, opens the device links and tells the main window of the
    // link state (WM_LINK_CHANGED).
    void Init();
    void LoadProfilesAtStartup();

    // Link state: nonzero while the mouse is reachable over any link.
    int AnyLinkConnected() const { return anyLinkConnected_; }
    int BlePresent() const { return blePresent_; }
    void SetBleConnected(int connected);

    // Driver-library messages, as the main window packs them.
    void OnReceiverMessage(uint32_t value);
    void OnCableMessage(uint32_t value);
    // A button-function menu item (its name begins with "ms_1").
    void AssignFunction(const QString& itemName);

    // Main-window timers that belong to the page.
    void OnReceiverWatchdog();
    void BleRegisterNotifications();
    void ScrollSettingsToEnd();
    void StepChargeAnimation();
    int ChargeAnimationStep() const { return chargeStep_; }

    // Hands a thread message to the device worker; false while there is none.
    bool PostToWorker(uint32_t message, uintptr_t wParam, intptr_t lParam);

protected:
    std::span<const NotifyMapEntry> GetNotifyMap() const override;

private:
    void OnClick(TNotifyUI& msg);
    void OnSelectChanged(TNotifyUI& msg);
    void OnItemSelect(TNotifyUI& msg);
    void OnCheckClick(TNotifyUI& msg);
    void OnKillFocus(TNotifyUI& msg);
    void OnTimer(TNotifyUI& msg);
    void OnValueChanged(TNotifyUI& msg);
    void OnMouseEnter(TNotifyUI& msg);
    void OnMouseLeave(TNotifyUI& msg);
    void OnTextChanged(TNotifyUI& msg);

    KestrinWindow mainWindow_ = 0;
    CPaintManagerUI* paintManager_ = nullptr;
    HookTable* hooks_ = nullptr;
    int anyLinkConnected_ = 0;
    int blePresent_ = 0;
    int chargeStep_ = 0;
};

} // namespace kestrin
