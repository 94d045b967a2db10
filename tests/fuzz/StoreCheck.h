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
template <class Record> void RequireNamesSound(const std::vector<std::unique_ptr<Record>>& list)
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        Require(Terminated(list[i]->name));
        for (std::size_t j = 0; j < i; ++j)
            Require(!NamesEqual(ReadName(list[i]->name), ReadName(list[j]->name)));
    }
}

} // namespace kestrin::fuzz
