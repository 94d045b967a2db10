#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kestrin {

// Names live in fixed UTF-16LE fields that end with a zero unless they fill the field.
// Files may carry fields without a terminator; reading never goes past the field.
std::u16string ReadName(std::span<const char16_t> field);

// False for a name field holding what no typed name holds: a lone surrogate, a control
// character or a noncharacter (U+FFFE, U+FFFF, U+FDD0..U+FDEF), up to its end.
bool IsNameText(std::span<const char16_t> field);

// Replaces each unit IsNameText refuses with U+FFFD. True when it had to.
bool MakeNameText(std::span<char16_t> field);

// True when the name holds at least one unit that IsNameText takes.
bool HoldsNameText(std::span<const char16_t> field);

// Stores `name` cut to the field less its terminator (never splitting a surrogate pair)
// and zero-fills the rest of the field.
void WriteName(std::span<char16_t> field, std::u16string_view name);

// `name` cut at its first zero unit and to at most `maxUnits` code units, never splitting a
// surrogate pair.
std::u16string_view CutName(std::u16string_view name, std::size_t maxUnits);

// Simple case folding of one UTF-16 unit: Latin, Greek, Cyrillic, Armenian, Georgian,
// full-width and a few symbol ranges. Units outside those stay as they are.
char16_t FoldCase(char16_t unit);

// True when the names are equal without regard to case ("É" and "é" are one name).
bool NamesEqual(std::u16string_view a, std::u16string_view b);

std::u16string ToU16(std::string_view utf8);
std::string ToUtf8(std::u16string_view utf16);

// Any record whose name field is a char16_t array at its start: profiles, macros, patterns.
template <class Record>
concept NamedRecord = std::is_array_v<decltype(Record::name)> &&
    std::is_same_v < std::remove_extent_t<decltype(Record::name)>,
char16_t > &&offsetof(Record, name) == 0;

// The most characters a record's name field holds with its terminator.
template <NamedRecord Record>
inline constexpr std::size_t kNameCapacity = std::extent_v<decltype(Record::name)> - 1;

// A list's element is a pointer-like holder of a named record: a unique_ptr, or a holder of its
// own that can tell the name without reaching into the rest of the record (NameFieldOf).
template <class Element>
concept NamedElement = NamedRecord<typename Element::element_type>;

template <NamedRecord Record>
std::span<const char16_t> NameFieldOf(const std::unique_ptr<Record>& record)
{
    return record->name;
}

// True when some record of the list has `name`, without regard to case.
template <NamedElement Element>
bool NameExistsInList(const std::vector<Element>& list, std::u16string_view name)
{
    return std::ranges::any_of(list, [name](const Element& record) {
        return record && NamesEqual(ReadName(NameFieldOf(record)), name);
    });
}

// Names of one list, for case-free look-ups in constant time: reading a long store checks every
// name against all before it.
class NameIndex final {
public:
    template <NamedElement Element> explicit NameIndex(const std::vector<Element>& list)
    {
        for (const auto& record : list)
            if (record)
                Add(ReadName(NameFieldOf(record)));
    }
    NameIndex() = default;

    bool Contains(std::u16string_view name) const;
    void Add(std::u16string_view name);

    // The name a new or imported record gets: the wanted name when it is free, else the first
    // free "%s_%d" with 1, 2, 3... Names are shortened so that the suffix fits `capacity`: a
    // name cut on storing must not collide with one already taken. Not added.
    std::u16string MakeUnique(std::u16string_view wanted, std::size_t capacity);

private:
    std::unordered_set<std::u16string> folded_;
    // Per wanted name, the suffix below which every candidate is taken.
    std::unordered_map<std::u16string, std::size_t> nextSuffix_;
};

template <NamedElement Element>
std::u16string MakeUniqueName(const std::vector<Element>& list, std::u16string_view wanted)
{
    return NameIndex(list).MakeUnique(wanted, kNameCapacity<typename Element::element_type>);
}

} // namespace kestrin
