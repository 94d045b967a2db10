#include "page/MS_1_Page.h"

#include "base/Folders.h"
#include "base/Messages.h"
#include "base/RecordNames.h"
#include "base/Trace.h"
#include "device/ApplyEngine.h"
#include "device/BleTransport.h"
#include "device/DeviceWorker.h"
#include "page/AutoSwitchWnd.h"
#include "page/DpiColorWnd.h"
#include "page/PageApplyHost.h"
#include "page/ProfileAutoSwitch.h"
#include "page/ProfilePrompts.h"
#include "platform/ModalLoops.h"
#include "platform/WindowRegistry.h"
#include "profiles/ProfileRanges.h"
#include "profiles/ProfileSection.h"
#include "ui/Controls.h"
#include "ui/MsgWnd.h"
#include "ui/PaintManager.h"
#include "ui/ResourceManager.h"

#include <QAbstractScrollArea>
#include <QObject>
#include <QScrollBar>

namespace kestrin {

CMS_1_Page::CMS_1_Page() : programFolder_(GetProgramFolder()), clock_(std::make_unique<RealClock>())
{
}

CMS_1_Page::~CMS_1_Page()
{
    if (autoSwitch_)
        SetModalLoopsEndedListener(nullptr);
    CloseDeviceLinks();
}

void CMS_1_Page::SetMainWindow(
    KestrinWindow window, CPaintManagerUI* paintManager, HookTable* hooks)
{
    mainWindow_ = window;
    paintManager_ = paintManager;
    hooks_ = hooks;
    buttons_.SetHooks(hooks);
    window_.Attach(window, paintManager);
    // A folded section built as it opens shows the current profile at once.
    if (paintManager)
        paintManager->SetPartBuiltListener([this](QWidget*) { RefreshSettingsControls(); });
}

void CMS_1_Page::SetFolders(std::string programFolder, std::string dataFolder)
{
    programFolder_ = std::move(programFolder);
    profiles_.dataFolder = std::move(dataFolder);
}

void CMS_1_Page::SetApplyClock(std::unique_ptr<ApplyClock> clock) { clock_ = std::move(clock); }

void CMS_1_Page::Init()
{
    if (profiles_.dataFolder.empty())
        profiles_.dataFolder = GetDataFolder();
    OpenDeviceLinks();
}

void CMS_1_Page::OpenDeviceLinks()
{
    if (worker_)
        return;
    uiQueue_ = std::make_unique<QObject>();
    applyHost_ = std::make_unique<PageApplyHost>(
        profiles_, deviceLinks_.Links(),
        [this](StoreKind store, const SaveResult& saved) { StoreSaved(store, saved); }, window_,
        [context = uiQueue_.get()](std::function<void()> step) {
            QMetaObject::invokeMethod(context, std::move(step), Qt::QueuedConnection);
        });
    LinkWriter bluetooth;
    if (ble_)
        bluetooth = [ble = ble_.get()](
                        std::span<const uint8_t> bytes) { return ble->WriteReport(bytes); };
    engine_ = std::make_unique<ApplyEngine>(links_,
        WritersFor(deviceLinks_.Links().Libraries(), std::move(bluetooth)), *applyHost_, *clock_);
    worker_ = std::make_unique<DeviceWorker>(*engine_);
    // Through the queue the apply's own window steps take, so its outcome is shown first.
    worker_->SetBarrierHandler([this, context = uiQueue_.get()] {
        QMetaObject::invokeMethod(
            context, [this] { FinishApplyWait(); }, Qt::QueuedConnection);
    });
    worker_->Start();

    deviceLinks_.SetEventHandler([this](uint16_t code, uint16_t value, LinkKind source) {
        HandleDeviceEvent(code, value, source);
    });
    deviceLinks_.SetBleSwitch([this](int connected) { SetBleConnected(connected); });
    deviceLinks_.SetBleStillConnected([this] { return ble_ && ble_->MouseConnected(); });
    deviceLinks_.SetResendRequest([this] { RequestApply(); });
    deviceLinks_.Open(programFolder_);
}

void CMS_1_Page::CloseDeviceLinks()
{
    mouseChangeSaver_.reset();
    if (!worker_)
        return;
    deviceLinks_.Close(*engine_, *worker_);
    worker_.reset();
    // Their callers learn of the end from the closed connection.
    applyWaiters_.clear();
    engine_.reset();
    // Window steps still queued by the last apply go with their context.
    uiQueue_.reset();
    // With the worker gone nothing can save an older copy after this: the last change is on
    // disk, and what the mouse has not taken goes out with the next start's full apply.
    if (profiles_.loaded) {
        const SaveResult saved = profiles_.StoreCurrent();
        if (!saved)
            Trace("saving pro.data at exit failed: %s", saved.error.c_str());
    }
}

void CMS_1_Page::StoreSaved(StoreKind store, const SaveResult& result)
{
    profiles_.unsaved.Record(store, result);
    // A save that works may work for the stores an earlier one could not write.
    if (result.ok())
        profiles_.SaveUnsavedStores();
    footer_.SaveDone(result, StoreFolder(profiles_.dataFolder), profiles_.unsaved.Any());
}

bool CMS_1_Page::SaveBeforeExit()
{
    profiles_.SaveUnsavedStores();
    QStringList unsaved;
    for (const auto& [store, reason] : profiles_.unsaved.All()) {
        const std::string path = StorePath(store, profiles_.dataFolder);
        Trace("%s is not saved at exit: %s\n", path.c_str(), reason.c_str());
        unsaved.push_back(QStringLiteral("%1 (%2)").arg(
            QString::fromStdString(path), QString::fromStdString(reason)));
    }
    if (unsaved.isEmpty())
        return true;
    return CMsgWnd::Ask(CWindowWnd::FromHandle(mainWindow_), QStringLiteral("exit_unsaved_text"),
               CMsgWnd::Kind::Destructive, {unsaved.join(QStringLiteral(", "))}) == 1;
}

namespace {

// What a new profile is called, numbered: the name of a fresh store's first one.
std::u16string ProfileBaseName()
{
    return CResourceManager::GetInstance()
        ->GetText(QStringLiteral("add_profile_text"))
        .toStdU16String();
}

} // namespace

void CMS_1_Page::ReadStoresAhead()
{
    if (profiles_.dataFolder.empty())
        profiles_.dataFolder = GetDataFolder();
    profiles_.ReadAhead(ProfileBaseName());
}

void CMS_1_Page::LoadProfilesAtStartup()
{
    const StartupLoadOutcome outcome = profiles_.Load(ProfileBaseName());
    links_.ApplyAllPending = 1;

    // A damaged store was set right or moved aside; the user should know, and should hear when
    // the damaged file could not be kept: until then it is not saved over.
    struct Notice {
        StoreOutcome outcome;
        const char* keptText;
        const char* lostText;
    };
    const Notice notices[] = {
        {outcome.profiles, "profile_store_damaged_text", "profile_store_not_kept_text"},
        {outcome.macros, "macro_store_damaged_text", "macro_store_not_kept_text"},
        {outcome.guns, "gun_store_damaged_text", "gun_store_not_kept_text"},
    };
    profiles_.savesHeld = !outcome.profiles.keptAside && outcome.profiles.damaged;
    for (const Notice& notice : notices) {
        if (notice.outcome.damaged)
            CMsgWnd::Ask(CWindowWnd::FromHandle(mainWindow_),
                QString::fromLatin1(notice.outcome.keptAside ? notice.keptText : notice.lostText));
    }
    profiles_.savesHeld = false;
    if (profiles_.saveRefusedWhileHeld.exchange(false))
        StoreMouseChanges();
    // A store the load set right (or made) but could not save.
    if (const auto unsaved = profiles_.unsaved.All(); !unsaved.empty())
        footer_.SaveDone(SaveResult::Failed(FileError::WriteFailed, unsaved.front().reason),
            StoreFolder(profiles_.dataFolder), true);
    if (!profiles_.loaded)
        return;

    profileList_.Fill(profiles_.list, profiles_.header->currentIndex);
    profilePrompts_ = std::make_unique<CProfilePrompts>(CWindowWnd::FromHandle(mainWindow_));
    profileSection_ =
        std::make_unique<ProfileSection>(profiles_.SectionState(), profileList_, *profilePrompts_);
    SetBleConnected(links_.BlePresent.load());
    RefreshSettingsControls();
}

void CMS_1_Page::RefreshSettingsControls()
{
    deviceLinks_.Links().UpdateReportRateTab();
    // Shown from a copy, so the lock is not held while the controls repaint.
    auto shown = std::make_unique<ProfileRecord>();
    const PageWindow::ShownOnly builtSectionsOnly(window_);
    if (!profiles_.ReadCurrent([&](const ProfileRecord& current) { *shown = current; }))
        return;
    dpi_.Refresh(*shown);
    lighting_.Refresh(*shown);
    performance_.Refresh(*shown);
    buttons_.Refresh(*shown);
}

std::optional<uint32_t> CMS_1_Page::ChooseColor(CControlUI& swatch, uint32_t argb)
{
    CWindowWnd* window = CWindowWnd::FromHandle(mainWindow_);
    if (!window)
        return std::nullopt;
    return ChooseColorBelow(*window, swatch, argb);
}

void CMS_1_Page::SetGattBus(GattBus* bus)
{
    // The old transport first: going, it takes its hook off the bus.
    ble_.reset();
    if (bus)
        ble_ = std::make_unique<BleTransport>(*bus);
}

void CMS_1_Page::SetBleConnected(int connected)
{
    if (ble_) {
        if (connected)
            ble_->Up();
        else
            ble_->Down();
    }
    deviceLinks_.Links().SetBlePresent(connected != 0);
    if (statusListener_)
        statusListener_();
}

CMS_1_Page::Status CMS_1_Page::CurrentStatus()
{
    Status status;
    status.cable = links_.CableState.load() == kLinkConnected;
    status.receiver = links_.ReceiverState.load() == kLinkConnected;
    status.ble = links_.BlePresent.load() == 1;
    status.battery = battery_.Level();
    status.charging = battery_.Charging();
    status.untaken = deviceLinks_.Links().ChangesUntaken();
    profiles_.ReadCurrent([&](const ProfileRecord& current) {
        status.profile = ReadName(current.name);
        const int stage = current.currentDpiStage;
        if (stage >= 0 && stage < kDpiStageCount) {
            status.dpi = int(DpiOfUnits(current.dpiX[stage]));
            status.stage = stage + 1;
        }
    });
    return status;
}

void CMS_1_Page::WhenAppliesDone(std::function<void(ApplyOutcome)> done)
{
    applyWaiters_.push_back(std::move(done));
    // Behind the apply requests already posted to the window.
    window_.Post(WM_APPLY_BARRIER);
}

void CMS_1_Page::PassApplyBarrier()
{
    if (!PostToWorker(kBarrierMessage, 0, 0))
        FinishApplyWait();
}

void CMS_1_Page::FinishApplyWait()
{
    if (applyWaiters_.empty())
        return;
    auto done = std::move(applyWaiters_.front());
    applyWaiters_.pop_front();
    if (links_.MouseUnreachable.load() == 1 || !links_.AnyLinkUp())
        done(ApplyOutcome::NoMouse);
    else
        done(deviceLinks_.Links().ChangesUntaken() ? ApplyOutcome::Untaken : ApplyOutcome::Taken);
}

bool CMS_1_Page::UseProfile(std::u16string_view name)
{
    return profileSection_ && profileSection_->Use(name);
}

bool CMS_1_Page::UseProfileForRule(std::u16string_view name)
{
    return profileSection_ && profileSection_->UseForRule(name);
}

bool CMS_1_Page::EditsPending() const { return window_.IsTimerActive(TIMER_APPLY_DEBOUNCE); }

void CMS_1_Page::EditsSent()
{
    if (autoSwitch_)
        autoSwitch_->HoldMayHaveEnded();
}

void CMS_1_Page::StartAutoSwitch(std::unique_ptr<ActiveWindowWatch> watch,
    std::function<void(const std::string& profile, const std::string& program)> switched)
{
    if (!profileSection_)
        return;
    ProfileAutoSwitch::Page page;
    page.profiles = [this] {
        return profiles_.Edit([&] {
            std::vector<std::string> names;
            for (const auto& profile : profiles_.list)
                names.push_back(ToUtf8(ReadName(profile.NameField())));
            return names;
        });
    };
    page.current = [this] {
        std::string name;
        profiles_.ReadCurrent(
            [&](const ProfileRecord& current) { name = ToUtf8(ReadName(current.name)); });
        return name;
    };
    page.held = [this] { return InModalLoop() || EditsPending(); };
    page.use = [this](const std::string& name) { return UseProfileForRule(ToU16(name)); };
    page.switched = [this, switched = std::move(switched)](
                        const std::string& profile, const std::string& program) {
        ShowRuleProgram(program);
        if (switched)
            switched(profile, program);
    };
    autoSwitch_ = std::make_unique<ProfileAutoSwitch>(
        std::move(page), profiles_.dataFolder, std::move(watch));
    profileList_.SetRenameListener([this](std::u16string_view from, std::u16string_view to) {
        autoSwitch_->ProfileRenamed(ToUtf8(from), ToUtf8(to));
    });
    profileList_.SetChosenListener([this](std::u16string_view name) {
        autoSwitch_->UserChose(ToUtf8(name));
        ShowRuleProgram({});
    });
    // Told inside the dialog's caller, before its answer is acted on: asked again after.
    SetModalLoopsEndedListener([this] {
        QMetaObject::invokeMethod(
            uiQueue_.get(), [this] { EditsSent(); }, Qt::QueuedConnection);
    });
}

void CMS_1_Page::ShowRuleProgram(const std::string& program)
{
    CControlUI* line = window_.Find<CControlUI>(QStringLiteral("ms_1_profile_auto_state"));
    if (!line)
        return;
    if (!program.empty())
        line->SetText(CResourceManager::GetInstance()
                          ->GetText(QStringLiteral("profile_auto_state_text"))
                          .arg(QString::fromStdString(program)));
    line->SetVisible(!program.empty());
}

void CMS_1_Page::OpenAutoSwitchDialog()
{
    std::u16string profile;
    if (!profiles_.ReadCurrent(
            [&](const ProfileRecord& current) { profile = ReadName(current.name); }))
        return;
    CAutoSwitchWnd dialog(
        profiles_.dataFolder, profile, autoSwitch_ ? autoSwitch_->Watch() : nullptr);
    dialog.Run(CWindowWnd::FromHandle(mainWindow_));
    if (dialog.RulesChanged() && autoSwitch_)
        autoSwitch_->RulesEdited();
}

void CMS_1_Page::OnReceiverMessage(uint32_t value)
{
    deviceLinks_.OnMessage(LinkKind::Receiver, value);
}

void CMS_1_Page::OnCableMessage(uint32_t value) { deviceLinks_.OnMessage(LinkKind::Cable, value); }

void CMS_1_Page::OnReceiverWatchdog() { deviceLinks_.Links().OnReceiverWatchdog(); }

void CMS_1_Page::RequestApply(int debounceMs)
{
    if (debounceMs <= 0) {
        window_.Post(WM_APPLY_REQUEST);
        return;
    }
    window_.KillTimer(TIMER_APPLY_DEBOUNCE);
    window_.SetTimer(TIMER_APPLY_DEBOUNCE, debounceMs);
}

void CMS_1_Page::AssignFunction(const QString& name) { buttons_.AssignFunction(name); }

void CMS_1_Page::BleRegisterNotifications()
{
    if (!ble_)
        return;
    // The bus delivers notifications on the UI thread, where events are parsed.
    ble_->RegisterNotifications([this](uint16_t code, uint16_t value) {
        HandleDeviceEvent(code, value, LinkKind::Bluetooth);
    });
}

void CMS_1_Page::ScrollSettingsToEnd()
{
    if (!paintManager_)
        return;
    CControlUI* settings = paintManager_->FindControl(QStringLiteral("ms_1_ver_setting"));
    if (!settings)
        return;
    if (auto* area = qobject_cast<QAbstractScrollArea*>(settings->GetWidget()))
        area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
}

bool CMS_1_Page::PostToWorker(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return worker_ && worker_->Post(message, wParam, lParam);
}

std::span<const CNotifyPump::NotifyMapEntry> CMS_1_Page::GetNotifyMap() const
{
    static const NotifyMapEntry map[] = {
        {&DUI_MSGTYPE_CLICK, MapHandler(&CMS_1_Page::OnClick)},
        {&DUI_MSGTYPE_SELECTCHANGED, MapHandler(&CMS_1_Page::OnSelectChanged)},
        {&DUI_MSGTYPE_ITEMSELECT, MapHandler(&CMS_1_Page::OnItemSelect)},
        {&DUI_MSGTYPE_CHECKCLICK, MapHandler(&CMS_1_Page::OnCheckClick)},
        {&DUI_MSGTYPE_KILLFOCUS, MapHandler(&CMS_1_Page::OnKillFocus)},
        {&DUI_MSGTYPE_SETFOCUS, MapHandler(&CMS_1_Page::OnSetFocus)},
        {&DUI_MSGTYPE_TIMER, MapHandler(&CMS_1_Page::OnTimer)},
        {&DUI_MSGTYPE_VALUECHANGED, MapHandler(&CMS_1_Page::OnValueChanged)},
        {&DUI_MSGTYPE_MOUSEENTER, MapHandler(&CMS_1_Page::OnMouseEnter)},
        {&DUI_MSGTYPE_MOUSELEAVE, MapHandler(&CMS_1_Page::OnMouseLeave)},
        {&DUI_MSGTYPE_RETURN, MapHandler(&CMS_1_Page::OnKillFocus)},
        {&DUI_MSGTYPE_TEXTCHANGED, MapHandler(&CMS_1_Page::OnTextChanged)},
        {nullptr, nullptr},
    };
    return map;
}

void CMS_1_Page::Dispatch(TNotifyUI& msg)
{
    if (OnProfileNotify(msg) || expanders_.Notify(msg) || dpi_.Notify(msg) ||
        performance_.Notify(msg) || buttons_.Notify(msg))
        return;
    lighting_.Notify(msg);
}

bool CMS_1_Page::OnProfileNotify(TNotifyUI& msg)
{
    if (!profileSection_ || !msg.pSender)
        return false;
    const QString name = msg.pSender->GetName();
    if (msg.sType == DUI_MSGTYPE_ITEMSELECT && name == QLatin1String("ms_1_list_profile")) {
        profileSection_->SelectProfile(static_cast<int>(msg.wParam));
        return true;
    }
    if (msg.sType != DUI_MSGTYPE_CLICK)
        return false;
    using Operation = void (ProfileSection::*)();
    static const std::pair<const char*, Operation> buttons[] = {
        {"ms_1_profile_add_btn", &ProfileSection::AddProfile},
        {"ms_1_profile_delete_btn", &ProfileSection::DeleteProfile},
        {"ms_1_profile_rename_btn", &ProfileSection::RenameProfile},
        {"ms_1_profile_reset_btn", &ProfileSection::RestoreProfileDefaults},
        {"ms_1_btn_reset", &ProfileSection::RestoreProfileDefaults},
        {"ms_1_profile_import_btn", &ProfileSection::ImportProfile},
        {"ms_1_profile_export_btn", &ProfileSection::ExportProfile},
    };
    if (name == QLatin1String("ms_1_profile_auto_btn")) {
        OpenAutoSwitchDialog();
        return true;
    }
    for (const auto& [button, operation] : buttons) {
        if (name == QLatin1String(button)) {
            (profileSection_.get()->*operation)();
            return true;
        }
    }
    return false;
}

void CMS_1_Page::OnClick(TNotifyUI& msg) { Dispatch(msg); }
void CMS_1_Page::OnSelectChanged(TNotifyUI& msg) { Dispatch(msg); }
void CMS_1_Page::OnItemSelect(TNotifyUI& msg) { Dispatch(msg); }
void CMS_1_Page::OnCheckClick(TNotifyUI& msg) { Dispatch(msg); }
void CMS_1_Page::OnKillFocus(TNotifyUI& msg) { Dispatch(msg); }
void CMS_1_Page::OnTimer(TNotifyUI&) { }
void CMS_1_Page::OnValueChanged(TNotifyUI& msg) { Dispatch(msg); }
void CMS_1_Page::OnMouseEnter(TNotifyUI& msg) { Dispatch(msg); }
void CMS_1_Page::OnMouseLeave(TNotifyUI& msg) { Dispatch(msg); }
void CMS_1_Page::OnSetFocus(TNotifyUI& msg) { Dispatch(msg); }
void CMS_1_Page::OnTextChanged(TNotifyUI& msg) { Dispatch(msg); }

} // namespace kestrin
