// The device page's answers to what the mouse tells it: DPI stage, report rate, battery,
// lighting, acknowledgements. A change the mouse made itself goes into the snapshot as well,
// that field alone, so that the next apply does not send it back but still sends what the user
// changed meanwhile; pro.data keeps it.
#include "base/Messages.h"
#include "base/Trace.h"
#include "page/MS_1_Page.h"
#include "ui/Controls.h"

#include <QMetaObject>

#include <type_traits>
#include <utility>

namespace kestrin {

void CMS_1_Page::HandleDeviceEvent(uint16_t code, uint16_t value, LinkKind source)
{
    const std::optional<DeviceEvent> event = DecodeDeviceEvent(code, value, source);
    if (!event)
        return;
    std::visit(
        [&](const auto& change) {
            using Change = std::decay_t<decltype(change)>;
            if constexpr (std::is_same_v<Change, DpiStageChanged>) {
                OnDpiStage(change.stage);
            } else if constexpr (std::is_same_v<Change, ReportRateChanged>) {
                if (profiles_.TakeMouseChange(
                        [setting = change.setting](ProfileRecord& p) { p.reportRate = setting; }))
                    performance_.ShowReportRate(change.setting);
            } else if constexpr (std::is_same_v<Change, WriteAcknowledgement>) {
                deviceLinks_.Links().OnWriteAcknowledged(change.accepted);
            } else if constexpr (std::is_same_v<Change, BatteryStatus>) {
                OnBatteryStatus(change, source);
            } else if constexpr (std::is_same_v<Change, LightingModeChanged>) {
                const bool stored = profiles_.TakeMouseChange(
                    [mode = change.mode](ProfileRecord& p) { p.lightingMode = mode; });
                // Over the cable and the receiver the mode is only kept.
                if (stored && source == LinkKind::Bluetooth)
                    lighting_.ShowLightingMode(change.mode);
            }
        },
        *event);
    // A burst of events (a DPI button held, a wheel of stages) makes one save, not one each:
    // the first starts the timer, the save at its end carries the last.
    if (EventStoresProfile(*event) && !std::exchange(mouseChangesUnsaved_, true))
        window_.SetTimer(TIMER_STORE_MOUSE_CHANGES, STORE_MOUSE_CHANGES_MS);
    if (statusListener_)
        statusListener_();
}

void CMS_1_Page::StoreMouseChanges()
{
    mouseChangesUnsaved_ = false;
    if (!mouseChangeSaver_) {
        mouseChangeSaver_ = std::make_unique<BackgroundJob>([this, context = uiQueue_.get()] {
            const SaveResult saved = profiles_.StoreCurrent();
            if (!saved && saved.code != FileError::NotDone)
                Trace("saving the mouse's change failed: %s", saved.error.c_str());
            // Told on the UI thread; the page outlives the job, the context may not.
            if (context)
                QMetaObject::invokeMethod(
                    context, [this, saved] { StoreSaved(StoreKind::Profiles, saved); },
                    Qt::QueuedConnection);
        });
    }
    mouseChangeSaver_->Request();
}

void CMS_1_Page::OnDpiStage(int stage)
{
    // Kept and replayed after an apply that runs meanwhile: captures values only.
    if (!profiles_.TakeMouseChange([stage](ProfileRecord& p) { p.currentDpiStage = stage; }))
        return;
    // Presses queued up behind a busy moment are shown once, at the last stage: the display
    // step goes behind the presses already waiting.
    if (std::exchange(mouseStageShowPending_, true))
        return;
    if (uiQueue_)
        QMetaObject::invokeMethod(
            uiQueue_.get(), [this] { ShowMouseStage(); }, Qt::QueuedConnection);
    else
        ShowMouseStage();
}

void CMS_1_Page::ShowMouseStage()
{
    mouseStageShowPending_ = false;
    int stage = -1;
    int32_t dpi = 0;
    profiles_.ReadCurrent([&](const ProfileRecord& current) {
        if (current.currentDpiStage < 0 || current.currentDpiStage >= kDpiStageCount)
            return;
        stage = current.currentDpiStage;
        dpi = current.dpiX[stage];
    });
    if (stage < 0)
        return;
    dpi_.SelectStageQuietly(stage);
    window_.Post(WM_SHOW_DPI, 0, dpi);
}

void CMS_1_Page::OnBatteryStatus(const BatteryStatus& status, LinkKind source)
{
    deviceLinks_.Links().OnBatteryStatus(status, source);
    // Judged as the page shows it: on the cable the mouse charges, which ends a discharge.
    const std::optional<int> level = battery_.Level();
    const int warning = lowBattery_.Report(level.value_or(-1), battery_.Charging());
    if (warning != 0 && lowBatteryHandler_)
        lowBatteryHandler_(warning, *level);
}

} // namespace kestrin
