#pragma once

#include "base/FileResult.h"
#include "base/StoreFiles.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kestrin {

// Which stores hold changes that no save has written yet, and why the last save of each failed.
// A save writes its store whole, so one that works leaves nothing of it unsaved.
class UnsavedStores {
public:
    // The outcome of a save of `store`; one that did nothing (NotDone) changes nothing.
    void Record(StoreKind store, const SaveResult& result);

    bool Holds(StoreKind store) const { return Reason(store).has_value(); }
    bool Any() const;

    struct Unsaved {
        StoreKind store;
        std::string reason;
    };
    // The stores still unsaved, each with why its last save failed.
    std::vector<Unsaved> All() const;

private:
    const std::optional<std::string>& Reason(StoreKind store) const
    {
        return reasons_[static_cast<std::size_t>(store)];
    }

    std::array<std::optional<std::string>, std::size(kStoreKinds)> reasons_;
};

} // namespace kestrin
