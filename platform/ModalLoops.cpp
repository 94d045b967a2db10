#include "platform/ModalLoops.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace kestrin {
namespace {

// UI thread only, like every window.
std::vector<ModalLoopScope*>& Running()
{
    static std::vector<ModalLoopScope*> scopes;
    return scopes;
}

bool refused = false;
std::function<void()> lastEnded;

} // namespace

ModalLoopScope::ModalLoopScope(std::function<void()> end) : end_(std::move(end))
{
    Running().push_back(this);
}

ModalLoopScope::~ModalLoopScope()
{
    std::erase(Running(), this);
    if (Running().empty() && lastEnded)
        lastEnded();
}

void SetModalLoopsEndedListener(std::function<void()> listener) { lastEnded = std::move(listener); }

bool InModalLoop() { return !Running().empty(); }

void EndModalLoops()
{
    refused = true;
    for (ModalLoopScope* scope : std::vector(Running())) {
        if (auto end = std::exchange(scope->end_, nullptr))
            end();
    }
}

bool ModalLoopsRefused() { return refused; }

void AllowModalLoops() { refused = false; }

} // namespace kestrin
