#include "base/RecordNames.h"

#include <algorithm>

namespace kestrin {
namespace {

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// A range of upper-case letters whose lower case lies at a fixed distance.
struct ShiftRange {
    char16_t first;
    char16_t last;
    int16_t delta;
};

// A range where upper and lower case alternate; `upperParity` is the parity of the capitals.
struct PairRange {
    char16_t first;
    char16_t last;
    char16_t upperParity;
};

// clang-format off
constexpr ShiftRange kShiftRanges[] = {
    {0x0041, 0x005A, 32},   // Basic Latin
    {0x00C0, 0x00D6, 32},   // Latin-1
    {0x00D8, 0x00DE, 32},
    {0x0388, 0x038A, 37},   // Greek with tonos
    {0x0391, 0x03A1, 32},   // Greek
    {0x03A3, 0x03AB, 32},
    {0x0400, 0x040F, 80},   // Cyrillic
    {0x0410, 0x042F, 32},
    {0x0531, 0x0556, 48},   // Armenian
    {0x10A0, 0x10C5, 7264}, // Georgian Asomtavruli -> Nuskhuri
    {0x2160, 0x216F, 16},   // Roman numerals
    {0x24B6, 0x24CF, 26},   // Circled letters
    {0xFF21, 0xFF3A, 32},   // Full-width Latin
};
// clang-format on

constexpr PairRange kPairRanges[] = {
    {0x0100, 0x012F, 0},
    {0x0132, 0x0137, 0},
    {0x0139, 0x0148, 1},
    {0x014A, 0x0177, 0},
    {0x0179, 0x017E, 1},
    {0x01CD, 0x01DC, 1},
    {0x01DE, 0x01EF, 0},
    {0x01F8, 0x021F, 0},
    {0x0222, 0x0233, 0},
    {0x0246, 0x024F, 0},
    {0x03D8, 0x03EF, 0},
    {0x0460, 0x0481, 0},
    {0x048A, 0x04BF, 0},
    {0x04C1, 0x04CE, 1},
    {0x04D0, 0x052F, 0},
    {0x1E00, 0x1E95, 0},
    {0x1EA0, 0x1EFF, 0},
};

struct SingleFold {
    char16_t upper;
    char16_t lower;
};

constexpr SingleFold kSingles[] = {
    {0x0178, 0x00FF},
    {0x0386, 0x03AC},
    {0x038C, 0x03CC},
    {0x038E, 0x03CD},
    {0x038F, 0x03CE},
    {0x03C2, 0x03C3},
    {0x04C0, 0x04CF},
    {0x0130, 0x0069},
    {0x1E9E, 0x00DF},
    {0x2126, 0x03C9},
    {0x212A, 0x006B},
    {0x212B, 0x00E5},
};

} // namespace

char16_t FoldCase(char16_t unit)
{
    if (unit < 0x80)
        return (unit >= u'A' && unit <= u'Z') ? static_cast<char16_t>(unit + 32) : unit;
    for (const ShiftRange& range : kShiftRanges)
        if (unit >= range.first && unit <= range.last)
            return static_cast<char16_t>(unit + range.delta);
    for (const PairRange& range : kPairRanges)
        if (unit >= range.first && unit <= range.last)
            return (unit % 2 == range.upperParity) ? static_cast<char16_t>(unit + 1) : unit;
    for (const SingleFold& single : kSingles)
        if (unit == single.upper)
            return single.lower;
    return unit;
}

bool NamesEqual(std::u16string_view a, std::u16string_view b)
{
    return a.size() == b.size() &&
        std::equal(a.begin(), a.end(), b.begin(),
            [](char16_t x, char16_t y) { return FoldCase(x) == FoldCase(y); });
}

namespace {

bool IsNameUnit(std::u16string_view name, std::size_t& i)
{
    const char16_t unit = name[i];
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        if (i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
            ++i;
            return true;
        }
        return false;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF)
        return false;
    if (unit < 0x20 || (unit >= 0x7F && unit <= 0x9F))
        return false;
    return unit != 0xFFFE && unit != 0xFFFF && !(unit >= 0xFDD0 && unit <= 0xFDEF);
}

std::u16string Folded(std::u16string_view name)
{
    std::u16string folded(name);
    for (char16_t& unit : folded)
        unit = FoldCase(unit);
    return folded;
}

} // namespace

bool NameIndex::Contains(std::u16string_view name) const { return folded_.contains(Folded(name)); }

void NameIndex::Add(std::u16string_view name) { folded_.insert(Folded(name)); }

std::u16string NameIndex::MakeUnique(std::u16string_view wanted, std::size_t capacity)
{
    std::u16string candidate(CutName(wanted, capacity));
    if (!Contains(candidate))
        return candidate;
    // Names are only added, so a suffix found taken stays taken.
    std::size_t& n = nextSuffix_[Folded(candidate)];
    for (n = std::max<std::size_t>(n, 1);; ++n) {
        const std::u16string suffix = ToU16("_" + std::to_string(n));
        const std::size_t room = capacity > suffix.size() ? capacity - suffix.size() : 0;
        candidate = std::u16string(CutName(wanted, room)) + suffix;
        if (!Contains(candidate))
            return candidate;
    }
}

bool IsNameText(std::span<const char16_t> field)
{
    const std::u16string name = ReadName(field);
    for (std::size_t i = 0; i < name.size(); ++i)
        if (!IsNameUnit(name, i))
            return false;
    return true;
}

bool MakeNameText(std::span<char16_t> field)
{
    std::u16string name = ReadName(field);
    bool replaced = false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const std::size_t at = i;
        if (!IsNameUnit(name, i)) {
            name[at] = u'\uFFFD';
            replaced = true;
        }
    }
    if (replaced)
        WriteName(field, name);
    return replaced;
}

bool HoldsNameText(std::span<const char16_t> field)
{
    const std::u16string name = ReadName(field);
    for (std::size_t i = 0; i < name.size(); ++i)
        if (IsNameUnit(name, i))
            return true;
    return false;
}

std::u16string ReadName(std::span<const char16_t> field)
{
    const auto end = std::find(field.begin(), field.end(), u'\0');
    return std::u16string(field.begin(), end);
}

std::u16string_view CutName(std::u16string_view name, std::size_t maxUnits)
{
    name = name.substr(0, name.find(u'\0')); // a stored name ends at its first zero
    if (name.size() <= maxUnits)
        return name;
    std::size_t length = maxUnits;
    if (length > 0 && IsHighSurrogate(name[length - 1]))
        --length;
    return name.substr(0, length);
}

void WriteName(std::span<char16_t> field, std::u16string_view name)
{
    if (field.empty())
        return;
    const std::u16string_view kept = CutName(name, field.size() - 1);
    const auto end = std::copy(kept.begin(), kept.end(), field.begin());
    std::fill(end, field.end(), u'\0');
}

std::u16string ToU16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        char32_t code = 0xFFFD;
        std::size_t length = 1;
        if (byte < 0x80) {
            code = byte;
        } else if ((byte & 0xE0) == 0xC0) {
            length = 2;
        } else if ((byte & 0xF0) == 0xE0) {
            length = 3;
        } else if ((byte & 0xF8) == 0xF0) {
            length = 4;
        }
        if (length > 1) {
            if (i + length > utf8.size()) {
                length = 1;
            } else {
                code = byte & (0x7F >> length);
                for (std::size_t k = 1; k < length; ++k) {
                    const auto next = static_cast<unsigned char>(utf8[i + k]);
                    if ((next & 0xC0) != 0x80) {
                        code = 0xFFFD;
                        length = k;
                        break;
                    }
                    code = (code << 6) | (next & 0x3F);
                }
            }
        }
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            code = 0xFFFD;
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return out;
}

std::string ToUtf8(std::u16string_view utf16)
{
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t code = utf16[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD; // a lone surrogate from a damaged file
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

} // namespace kestrin
