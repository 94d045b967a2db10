#pragma once

#include "ui/WindowWnd.h"

#include <functional>

namespace kestrin::test {

// Runs `window`'s modal loop: `steps` act on it once it shows, `other` answers any window it
// opens meanwhile, and `close` ends it if the steps left it open. The loop's result.
template <class Window>
int RunModally(Window& window, const std::function<void(Window&)>& steps,
    const std::function<void(CWindowWnd&)>& other, const std::function<void(Window&)>& close)
{
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& shown) {
        if (&shown != &window) {
            if (other)
                other(shown);
            return;
        }
        steps(window);
        if (window.IsWindow())
            close(window);
    });
    const int result = window.Run(nullptr);
    CWindowWnd::SetModalHookForTesting(nullptr);
    return result;
}

} // namespace kestrin::test
