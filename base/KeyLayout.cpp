#include "base/KeyLayout.h"

#include <mutex>
#include <utility>

namespace kestrin {
namespace {

std::mutex& LayoutMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<const KeyLayout>& Current()
{
    static std::shared_ptr<const KeyLayout> layout = std::make_shared<NoKeyLayout>();
    return layout;
}

} // namespace

std::shared_ptr<const KeyLayout> SetCurrentKeyLayout(std::shared_ptr<const KeyLayout> layout)
{
    if (!layout)
        layout = std::make_shared<NoKeyLayout>();
    std::lock_guard lock(LayoutMutex());
    std::swap(Current(), layout);
    return layout;
}

std::shared_ptr<const KeyLayout> CurrentKeyLayout()
{
    std::lock_guard lock(LayoutMutex());
    return Current();
}

} // namespace kestrin
