#pragma once

#include "base/BackgroundJob.h"
#include "base/MessagePost.h"
#include "device/ApplyClock.h"
#include "device/DeviceProfiles.h"
#include "device/LinkState.h"
#include "device/LowBattery.h"
#include "page/BatteryDisplay.h"
#include "page/ButtonSection.h"
#include "page/DeviceLinkSection.h"
#include "page/DpiSection.h"
#include "page/LightingSection.h"
#include "page/PageProfileList.h"
#include "page/PerformanceSection.h"
#include "page/SectionExpanders.h"
#include "protocol/DeviceEvent.h"
#include "ui/NotifyPump.h"
#include "ui/PageWindow.h"

#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QObject;

namespace kestrin {

class ApplyEngine;
class BleTransport;
class GattBus;
class CPaintManagerUI;
class DeviceWorker;
class PageApplyHost;
class ProfileAutoSwitch;
class ActiveWindowWatch;
class ProfileSection;
class ProfileSectionPrompts;
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
    // Loads the profile, macro and pattern stores, tells the user of a damaged one, shows the
    // current profile and makes the first apply send everything.
    void LoadProfilesAtStartup();
    // Starts reading the stores, for LoadProfilesAtStartup to take: called before the window is
    // built, the reading runs beside the building.
    void ReadStoresAhead();
    // Shows every setting of the current profile without raising notifications.
    void RefreshSettingsControls();
    // The parts whose content is built when first seen: the sections, when the layout starts
    // them folded, and the lighting rows, when they start below the settings' fold.
    static QStringList PartsBuiltWhenSeen()
    {
        return SectionExpanders::Containers() + LightingSection::Rows();
    }

    // Link state: nonzero while the mouse is reachable over any link.
    int AnyLinkConnected() const { return links_.AnyLinkConnected.load(); }
    int BlePresent() const { return links_.BlePresent.load(); }
    void SetBleConnected(int connected);
    const LinkState& Links() const { return links_; }

    // What the tray's tooltip and kestrinctl tell: the links up, the battery as the page shows
    // it, the current profile and its stage (1-based) and DPI (0 when there is no current
    // profile), and whether a change has not reached the mouse.
    struct Status {
        bool cable = false;
        bool receiver = false;
        bool ble = false;
        std::optional<int> battery;
        bool charging = false;
        int dpi = 0;
        int stage = 0;
        std::u16string profile;
        bool untaken = false;
    };
    Status CurrentStatus();
    const std::string& DataFolder() const { return profiles_.dataFolder; }
    // Called when the mouse told something or Bluetooth came or went outside the main
    // window's messages; the window itself refreshes after each of its messages.
    void SetStatusListener(std::function<void()> listener)
    {
        statusListener_ = std::move(listener);
    }
    // Told when a wireless mouse's battery falls to a level worth a warning (15 %, then 5 %),
    // once per level per discharge.
    void SetLowBatteryHandler(std::function<void(int level, int percent)> handler)
    {
        lowBatteryHandler_ = std::move(handler);
    }
    bool BatteryLow() const { return lowBattery_.Low(); }

    // Driver-library messages, as the main window packs them.
    void OnReceiverMessage(uint32_t value);
    void OnCableMessage(uint32_t value);
    void OnCableArrivalSettled() { deviceLinks_.Links().OnArrivalSettled(LinkKind::Cable); }
    void OnReceiverArrivalSettled() { deviceLinks_.Links().OnArrivalSettled(LinkKind::Receiver); }
    // What the mouse tells through the cable or the receiver (UI thread).
    void HandleDeviceEvent(uint16_t code, uint16_t value, LinkKind source);
    // Asks for an apply now, or after `debounceMs` without another request.
    void RequestApply(int debounceMs = 0);
    // How the applies asked for before a wait ended.
    enum class ApplyOutcome {
        Taken,   // the mouse took everything
        Untaken, // a change did not reach the mouse; it goes again when the mouse can take it
        NoMouse, // no mouse could be written to
    };
    // Calls `done` on the UI thread once every apply requested before this call has run.
    void WhenAppliesDone(std::function<void(ApplyOutcome)> done);
    // WM_APPLY_BARRIER: hands the wait on to the worker, behind the applies queued there.
    void PassApplyBarrier();
    // Makes the profile named `name` (compared as names are) current as the profile list
    // would: selected, saved and sent. False when there is none.
    bool UseProfile(std::u16string_view name);
    // The same for a program's rule; the profile the user chose stays the one they chose.
    bool UseProfileForRule(std::u16string_view name);
    // Told whenever the user makes a profile current (not when a rule does).
    void SetProfileChosenListener(std::function<void(std::u16string_view)> listener)
    {
        profileList_.SetChosenListener(std::move(listener));
    }
    // Edits made on the page that have not been sent yet: they wait out the apply's debounce.
    bool EditsPending() const;
    // TIMER_APPLY_DEBOUNCE went off: edits held nothing back any more.
    void EditsSent();
    // Follows the program in front (`watch`; null where the session cannot tell) and makes the
    // profile its rule names current. After the stores are loaded. `switched` is told of each
    // switch, with the program whose rule made it (empty: back to the profile chosen).
    void StartAutoSwitch(std::unique_ptr<ActiveWindowWatch> watch,
        std::function<void(const std::string& profile, const std::string& program)> switched);
    ProfileAutoSwitch* AutoSwitcher() const { return autoSwitch_.get(); }
    // The profile section's "Switch automatically…" dialog, for the current profile.
    void OpenAutoSwitchDialog();
    // A button-function menu item (its name begins with "ms_1").
    void AssignFunction(const QString& itemName);

    // Main-window timers that belong to the page.
    void OnReceiverWatchdog();
    void BleRegisterNotifications();
    void ScrollSettingsToEnd();
    void StepChargeAnimation() { battery_.Step(); }
    // Whether the main window can be seen: what nobody sees is not animated.
    void SetWindowSeen(bool seen) { battery_.SetWindowSeen(seen); }
    // Saves pro.data with what the mouse changed itself since the last such save, off the UI
    // thread.
    void StoreMouseChanges();
    // Before the program ends: saves again every store a save could not write, and asks
    // whether to leave when one still cannot be (the box names the store and why). True when
    // the program may end.
    bool SaveBeforeExit();
    int ChargeAnimationStep() const { return battery_.AnimationStep(); }

    // Hands a thread message to the device worker; false while there is none.
    bool PostToWorker(uint32_t message, uintptr_t wParam, intptr_t lParam);

    // For tests, before Init: the folders the libraries and stores come from, the clock of the
    // protocol's pauses, and the link section (arrival settle time, Bluetooth look-up).
    void SetFolders(std::string programFolder, std::string dataFolder);
    // The system's Bluetooth LE GATT interface; without one the Bluetooth link writes nothing.
    void SetGattBus(GattBus* bus);
    bool HasGattBus() const { return ble_ != nullptr; }
    void SetApplyClock(std::unique_ptr<ApplyClock> clock);
    DeviceLinkSection& LinkSection() { return deviceLinks_; }
    DeviceProfiles& Profiles() { return profiles_; }
    ButtonSection& Buttons() { return buttons_; }

protected:
    std::span<const NotifyMapEntry> GetNotifyMap() const override;

private:
    void FinishApplyWait();
    void OnClick(TNotifyUI& msg);
    void OnSelectChanged(TNotifyUI& msg);
    void OnItemSelect(TNotifyUI& msg);
    void OnCheckClick(TNotifyUI& msg);
    void OnKillFocus(TNotifyUI& msg);
    void OnSetFocus(TNotifyUI& msg);
    void OnTimer(TNotifyUI& msg);
    void OnValueChanged(TNotifyUI& msg);
    void OnMouseEnter(TNotifyUI& msg);
    void OnMouseLeave(TNotifyUI& msg);
    void OnTextChanged(TNotifyUI& msg);
    // Hands a notification to the section it belongs to.
    void Dispatch(TNotifyUI& msg);
    bool OnProfileNotify(TNotifyUI& msg);
    std::optional<uint32_t> ChooseColor(CControlUI& swatch, uint32_t argb);

    void OpenDeviceLinks();
    void CloseDeviceLinks();
    // Every save of a store ends here: recorded, the stores left unsaved saved again when it
    // worked, and told in the footer.
    void StoreSaved(StoreKind store, const SaveResult& result);
    void OnBatteryStatus(const BatteryStatus& status, LinkKind source);
    void OnDpiStage(int stage);
    void ShowMouseStage();
    // Under the profile list: the program whose rule made the profile current, if one did.
    void ShowRuleProgram(const std::string& program);

    KestrinWindow mainWindow_ = 0;
    CPaintManagerUI* paintManager_ = nullptr;
    HookTable* hooks_ = nullptr;
    std::string programFolder_;
    PageWindow window_;
    LinkState links_;
    BatteryDisplay battery_{window_};
    std::function<void()> statusListener_;
    LowBatteryWatch lowBattery_;
    std::function<void(int, int)> lowBatteryHandler_;
    FooterStatus footer_{window_};
    DeviceLinkSection deviceLinks_{links_, window_, battery_, footer_};
    DeviceProfiles profiles_;
    PageSectionContext sections_{window_, profiles_,
        [this](int debounceMs) { RequestApply(debounceMs); }, [this] { RefreshSettingsControls(); },
        [this](CControlUI& swatch, uint32_t argb) { return ChooseColor(swatch, argb); },
        [this](StoreKind store, const SaveResult& saved) { StoreSaved(store, saved); }};
    DpiSection dpi_{sections_};
    PerformanceSection performance_{sections_};
    LightingSection lighting_{sections_};
    ButtonSection buttons_{sections_};
    SectionExpanders expanders_{window_};
    PageProfileList profileList_{window_, [this] { RefreshSettingsControls(); },
        [this] {
            links_.ApplyAllPending = 1;
            RequestApply();
        },
        sections_.saveDone};
    std::unique_ptr<ProfileSectionPrompts> profilePrompts_;
    std::unique_ptr<ProfileSection> profileSection_;
    // Lives on the UI thread; the apply host's window steps are queued to it.
    std::unique_ptr<QObject> uiQueue_;
    // Callers of WhenAppliesDone, oldest first; the worker's barriers come back in that order.
    std::deque<std::function<void(ApplyOutcome)>> applyWaiters_;
    std::unique_ptr<ApplyClock> clock_;
    std::unique_ptr<PageApplyHost> applyHost_;
    std::unique_ptr<BleTransport> ble_; // before the engine, whose worker writes through it
    std::unique_ptr<ApplyEngine> engine_;
    std::unique_ptr<DeviceWorker> worker_;
    bool mouseChangesUnsaved_ = false; // TIMER_STORE_MOUSE_CHANGES runs
    bool mouseStageShowPending_ = false;
    // Writes those saves, so a slow disk never holds up the window.
    std::unique_ptr<BackgroundJob> mouseChangeSaver_;
    std::unique_ptr<ProfileAutoSwitch> autoSwitch_;
};

} // namespace kestrin
