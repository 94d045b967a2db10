// Button slots come from files (pro.data, imported profiles) with any content, and events come
// from the mouse with any code and value: encoding and decoding them must stay inside their
// buffers, keep every download within its 50 entries and always finish.
#include "protocol/ApplyPlan.h"
#include "protocol/DeviceEvent.h"
#include "protocol/LinkWrites.h"
#include "protocol/MacroDownload.h"
#include "protocol/PatternDownload.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

using namespace kestrin;

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckDownload(const Report& report)
{
    Check(report.id() == kDownloadReportId && report.length == kDownloadReportLength);
    Check(report.bytes[28] <= 50);
    unsigned sum = 0;
    for (int i = 3; i < 129; ++i)
        sum += report.bytes[i];
    Check(report.bytes[129] == ((sum >> 8) & 0xFF) && report.bytes[130] == (sum & 0xFF));
}

void CheckEvent(uint16_t code, uint16_t value, LinkKind link)
{
    const auto event = DecodeDeviceEvent(code, value, link);
    if (!event)
        return;
    Check((code & 0xFF) == 0x10);
    if (const auto* stage = std::get_if<DpiStageChanged>(&*event))
        Check(stage->stage >= 0 && stage->stage < 8);
    if (const auto* rate = std::get_if<ReportRateChanged>(&*event))
        Check(rate->setting >= 0 && rate->setting <= 3);
    if (const auto* light = std::get_if<LightingModeChanged>(&*event))
        Check(light->mode >= 0 && light->mode <= (link == LinkKind::Bluetooth ? 15 : 7));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 6)
        return 0;
    const auto code = static_cast<uint16_t>(data[0] | data[1] << 8);
    const auto value = static_cast<uint16_t>(data[2] | data[3] << 8);
    for (const LinkKind link : {LinkKind::Cable, LinkKind::Receiver, LinkKind::Bluetooth})
        CheckEvent(code, value, link);
    const int position = data[4] % kButtonSlotCount;
    const uint8_t startShot = data[5];
    data += 6;
    size -= 6;

    // A slot of its own on the heap, so that ASan sees any read past its copies.
    auto slot = std::make_unique<ButtonSlot>();
    std::memcpy(slot.get(), data, std::min(size, sizeof(ButtonSlot)));
    CheckDownload(BuildMacroReport(*slot, 1));
    int start = startShot;
    for (int reports = 0;; ++reports) {
        Check(reports <= kGunMaxShots);
        const PatternReport part =
            BuildPatternReport(*slot, static_cast<uint8_t>(reports + 1), start);
        CheckDownload(part.report);
        if (!part.goesOn)
            break;
        Check(part.nextShot > start && part.nextShot < kGunMaxShots);
        start = part.nextShot;
    }

    // The same slot on several buttons of a profile, planned as a full apply.
    auto profile = NewProfileRecord(u"fuzz");
    for (int i = position; i < kButtonSlotCount; i += 5)
        std::memcpy(&profile->buttons[i], slot.get(), sizeof(ButtonSlot));
    const ApplyPlan plan = PlanApply(*profile, *profile, true);
    int nextSlot = 1;
    for (const Report& report : plan.reports) {
        if (report.id() == kDownloadReportId) {
            CheckDownload(report);
            Check(report.bytes[2] == nextSlot++);
        }
        for (const LinkKind link : {LinkKind::Cable, LinkKind::Receiver, LinkKind::Bluetooth})
            for (const Report& write : LinkWrites(report, link))
                Check(write.length <= kMaxReportLength);
    }
    Check(plan.reports.back().id() == kButtonMapReportId);
    return 0;
}
