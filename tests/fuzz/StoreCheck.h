#pragma once

#include "base/RecordNames.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

namespace kestrin::fuzz {

inline void Require(bool promise)
{
    if (!promise)
        std::abort();
}

inline bool Terminated(std::span<const char16_t> field)
{
    return std::ranges::find(field, u'\0') != field.end();
}

// Every name ends inside its field and no two are one name apart from case.
template <NamedElement Element> void RequireNamesSound(const std::vector<Element>& list)
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        Require(Terminated(NameFieldOf(list[i])));
        for (std::size_t j = 0; j < i; ++j)
            Require(!NamesEqual(ReadName(NameFieldOf(list[i])), ReadName(NameFieldOf(list[j]))));
    }
}

} // namespace kestrin::fuzz
