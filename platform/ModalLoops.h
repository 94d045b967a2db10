#pragma once

#include <functional>

namespace kestrin {

// The modal loops running now (message boxes, file dialogs), so that quitting can end them
// before the windows they run under are destroyed.
class ModalLoopScope final {
public:
    // `end` answers the loop as cancelled; it is called at most once, by EndModalLoops.
    explicit ModalLoopScope(std::function<void()> end);
    ~ModalLoopScope();
    ModalLoopScope(const ModalLoopScope&) = delete;
    ModalLoopScope& operator=(const ModalLoopScope&) = delete;

private:
    friend void EndModalLoops();
    std::function<void()> end_;
};

bool InModalLoop();
// Told as the last running loop ends, still inside its caller: what the dialog answered has
// not been acted on yet, so a listener that acts defers it.
void SetModalLoopsEndedListener(std::function<void()> listener);
// Ends every running modal loop as cancelled and refuses new ones until AllowModalLoops.
void EndModalLoops();
bool ModalLoopsRefused();
void AllowModalLoops();

} // namespace kestrin
