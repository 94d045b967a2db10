#include "protocol/ChangeDetection.h"

#include <cstring>

namespace kestrin {
namespace {

template <class T> bool Differs(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof(T)) != 0;
}

// Calls `visit(a.member, b.member)` for every member of `group`: one list serves both finding
// a group's changes and copying a group.
template <class A, class B, class Visit>
void ForGroupMembers(ReportGroup group, A& a, B& b, Visit visit)
{
    switch (group) {
    case ReportGroup::Settings:
        visit(a.currentDpiStage, b.currentDpiStage);
        visit(a.liftOffDistance, b.liftOffDistance);
        visit(a.reservedSensorValue1, b.reservedSensorValue1);
        visit(a.reservedSensorValue2, b.reservedSensorValue2);
        visit(a.rippleControl, b.rippleControl);
        visit(a.angleSnap, b.angleSnap);
        visit(a.motionSync, b.motionSync);
        visit(a.dpiX, b.dpiX);
        visit(a.dpiY, b.dpiY);
        visit(a.stageEnabled, b.stageEnabled);
        visit(a.stageColor, b.stageColor);
        return;
    case ReportGroup::Lighting:
        visit(a.lightingMode, b.lightingMode);
        visit(a.bleLightingMode, b.bleLightingMode);
        visit(a.brightness, b.brightness);
        visit(a.breathSpeed, b.breathSpeed);
        visit(a.reservedLightingValue, b.reservedLightingValue);
        visit(a.keyDebounce, b.keyDebounce);
        visit(a.lightingColor, b.lightingColor);
        visit(a.sleepTimer, b.sleepTimer);
        visit(a.lightOffTimer, b.lightOffTimer);
        return;
    case ReportGroup::ReportRate:
        visit(a.reportRate, b.reportRate);
        return;
    case ReportGroup::Button:
        visit(a.buttons, b.buttons);
        return;
    }
}

constexpr ReportGroup kGroups[] = {
    ReportGroup::Settings, ReportGroup::Lighting, ReportGroup::ReportRate, ReportGroup::Button};

// The flag of each group, so that setting and reading one never disagree.
bool GroupFlags::*FlagOf(ReportGroup group)
{
    switch (group) {
    case ReportGroup::Settings:
        return &GroupFlags::settings;
    case ReportGroup::Lighting:
        return &GroupFlags::lighting;
    case ReportGroup::ReportRate:
        return &GroupFlags::reportRate;
    case ReportGroup::Button:
        break;
    }
    return &GroupFlags::button;
}

} // namespace

void GroupFlags::Set(ReportGroup group) { this->*FlagOf(group) = true; }

GroupFlags DetectChanges(const ProfileRecord& current, const ProfileRecord& snapshot)
{
    GroupFlags flags;
    for (const ReportGroup group : kGroups) {
        bool differs = false;
        ForGroupMembers(group, current, snapshot,
            [&](const auto& a, const auto& b) { differs = differs || Differs(a, b); });
        if (differs)
            flags.Set(group);
    }
    return flags;
}

void CopyGroups(ProfileRecord& to, const ProfileRecord& from, GroupFlags groups)
{
    for (const ReportGroup group : kGroups) {
        if (groups.*FlagOf(group))
            ForGroupMembers(
                group, to, from, [](auto& a, const auto& b) { std::memcpy(&a, &b, sizeof a); });
    }
}

} // namespace kestrin
