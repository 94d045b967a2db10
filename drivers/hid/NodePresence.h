#pragma once

#include <set>
#include <string>
#include <utility>

namespace kestrin::hid {

enum class PresenceChange { None, Arrived, Removed };

// Which of the device's hidraw nodes are there. A device with several interfaces has several
// nodes that come and go together; it arrives with its first node and is removed with its
// last, so each plug and unplug is announced once. Nodes are known by their sysfs path, which
// a removal still carries when the node's properties are gone.
class NodePresence final {
public:
    // The nodes found when watching begins; no change is announced for them.
    void Reset(std::set<std::string> nodes) { nodes_ = std::move(nodes); }
    // A node of the device appeared.
    PresenceChange Added(const std::string& syspath)
    {
        if (!nodes_.insert(syspath).second)
            return PresenceChange::None;
        return nodes_.size() == 1 ? PresenceChange::Arrived : PresenceChange::None;
    }
    // Some hidraw node went; only the device's own count.
    PresenceChange Removed(const std::string& syspath)
    {
        if (nodes_.erase(syspath) == 0)
            return PresenceChange::None;
        return nodes_.empty() ? PresenceChange::Removed : PresenceChange::None;
    }
    bool Present() const { return !nodes_.empty(); }

private:
    std::set<std::string> nodes_;
};

} // namespace kestrin::hid
