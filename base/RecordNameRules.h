#pragma once

#include "base/RecordNames.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrin {

// Names the system gives to records it makes, and sets right in records it reads.

// The name of a record the system makes: `baseText` (a language text) followed by the list
// length + 1, made unique in the list. The base text is cut so that it keeps its number within
// 49 characters and the field; the result always fits the record's name field.
template <NamedElement Element>
std::u16string DefaultRecordName(const std::vector<Element>& list, std::u16string_view baseText)
{
    constexpr std::size_t kBaseUnits = 49;
    const std::size_t capacity =
        std::min(kBaseUnits, kNameCapacity<typename Element::element_type>);
    const std::u16string number = ToU16(std::to_string(list.size() + 1));
    const std::size_t room = capacity > number.size() ? capacity - number.size() : 0;
    const std::u16string base = std::u16string(CutName(baseText, room)) + number;
    return MakeUniqueName(list, base);
}

// Terminates a name field that fills its whole length, never splitting a surrogate pair.
// True when it had to.
inline bool TerminateName(std::span<char16_t> field)
{
    if (field.empty() || std::ranges::find(field, u'\0') != field.end())
        return false;
    WriteName(field, ReadName(field));
    return true;
}

// Gives a record whose name `names` already holds (without regard to case) the next free
// suffixed name, and adds its name to `names`. True when it had to rename.
template <NamedRecord Record> bool MakeNameUniqueIn(Record& record, NameIndex& names)
{
    const std::u16string name = ReadName(record.name);
    const bool taken = names.Contains(name);
    if (taken)
        WriteName(record.name, names.MakeUnique(name, kNameCapacity<Record>));
    names.Add(ReadName(record.name));
    return taken;
}

// As MakeNameUniqueIn, against the names of `earlier`.
template <NamedRecord Record, NamedElement Element>
bool MakeNameUniqueAmong(Record& record, const std::vector<Element>& earlier)
{
    NameIndex names(earlier);
    return MakeNameUniqueIn(record, names);
}

} // namespace kestrin
