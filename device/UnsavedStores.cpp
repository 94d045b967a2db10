#include "device/UnsavedStores.h"

#include <algorithm>

namespace kestrin {

void UnsavedStores::Record(StoreKind store, const SaveResult& result)
{
    if (result.code == FileError::NotDone)
        return;
    auto& reason = reasons_[static_cast<std::size_t>(store)];
    if (result.ok())
        reason.reset();
    else
        reason = result.error;
}

bool UnsavedStores::Any() const
{
    return std::ranges::any_of(reasons_, [](const auto& reason) { return reason.has_value(); });
}

std::vector<UnsavedStores::Unsaved> UnsavedStores::All() const
{
    std::vector<Unsaved> all;
    for (const StoreKind store : kStoreKinds)
        if (const auto& reason = Reason(store))
            all.push_back({store, *reason});
    return all;
}

} // namespace kestrin
