#pragma once

#include "profiles/ProfileRecord.h"

namespace kestrin {

// The report groups: each is one report (the button group its downloads and the button map).
enum class ReportGroup { Settings, Lighting, ReportRate, Button };

// Which report groups an apply sends.
struct GroupFlags {
    bool settings = false;
    bool lighting = false;
    bool reportRate = false;
    bool button = false;

    bool Any() const { return settings || lighting || reportRate || button; }
    static GroupFlags All() { return {true, true, true, true}; }
    void Set(ReportGroup group);

    friend bool operator==(const GroupFlags&, const GroupFlags&) = default;
};

// The groups whose members differ between the profile and the snapshot of what the mouse
// last received. Members that no report carries (DPI Y, the reserved sensor and lighting
// values, the Bluetooth lighting mode) still mark their group; the button group covers every
// byte of all 24 button slots, copies included; the move mode and the name belong to no group.
GroupFlags DetectChanges(const ProfileRecord& current, const ProfileRecord& snapshot);

// Copies into `to` every member of the `groups` that `from` holds, and nothing else.
void CopyGroups(ProfileRecord& to, const ProfileRecord& from, GroupFlags groups);

} // namespace kestrin
