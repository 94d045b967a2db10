#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kestrin::test {

// Reads a little-endian value at a byte offset, independently of the record's field names,
// so that layout tests hold the record against the byte tables.
template <class T, class Record> T ReadAt(const Record& record, std::size_t offset)
{
    T value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(&record) + offset, sizeof value);
    return value;
}

template <class Record> bool AllZero(const Record& record, std::size_t offset, std::size_t length)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record) + offset;
    for (std::size_t i = 0; i < length; ++i)
        if (bytes[i] != 0)
            return false;
    return true;
}

} // namespace kestrin::test
